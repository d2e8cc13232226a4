#include "viewer_window.h"

#include "widgets/file_dialog.h"
#include "widgets/message_box.h"
#include "findings_panel.h"
#include "price_chart.h"
#include "sheet_check.h"
#include "sheet_loader.h"
#include "sheet_table_model.h"
#include "viewer_help.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kViewerTitle = QStringLiteral("Pattern File Viewer");
// A column's width is taken from the rows in view and this many more below them.
constexpr int kSampleRows = 200;
}

ViewerWindow::ViewerWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("ViewerWindow"));
    setWindowTitle(kViewerTitle);
    CreateControls();
    CreateMenus();
    resize(960, 760);
}

ViewerWindow::~ViewerWindow()
{
    // The model points into the sheet; let go of it first.
    model_->SetSheet(nullptr);
}

void ViewerWindow::CreateControls()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    infoLabel_ = new QLabel(QStringLiteral("No file open. Choose File > Open."), central);
    infoLabel_->setObjectName(QStringLiteral("infoLabel"));
    infoLabel_->setWordWrap(true);
    infoLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(infoLabel_);

    auto* splitter = new QSplitter(Qt::Vertical, central);
    model_ = new SheetTableModel(this);
    tblCells_ = new QTableView(splitter);
    tblCells_->setObjectName(QStringLiteral("tblCells"));
    tblCells_->setModel(model_);
    tblCells_->verticalHeader()->setDefaultSectionSize(tblCells_->fontMetrics().height() + 6);
    // Columns are fitted to their contents as they come into view, not all at once.
    tblCells_->verticalHeader()->setResizeContentsPrecision(kSampleRows);
    connect(tblCells_->horizontalScrollBar(), &QScrollBar::valueChanged, this, &ViewerWindow::SizeShownColumns);
    connect(tblCells_->horizontalScrollBar(), &QScrollBar::rangeChanged, this, &ViewerWindow::SizeShownColumns);

    auto* chartPanel = new QWidget(splitter);
    auto* chartLayout = new QVBoxLayout(chartPanel);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    auto* columnRow = new QHBoxLayout;
    auto* columnLabel = new QLabel(QStringLiteral("&Chart column:"), chartPanel);
    columnCombo_ = new QComboBox(chartPanel);
    columnCombo_->setObjectName(QStringLiteral("columnCombo"));
    columnCombo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    columnLabel->setBuddy(columnCombo_);
    columnRow->addWidget(columnLabel);
    columnRow->addWidget(columnCombo_);
    // A long table (a Symbol column) is charted and checked one security at a time.
    securityLabel_ = new QLabel(QStringLiteral("&Security:"), chartPanel);
    securityCombo_ = new QComboBox(chartPanel);
    securityCombo_->setObjectName(QStringLiteral("securityCombo"));
    securityCombo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    securityLabel_->setBuddy(securityCombo_);
    securityLabel_->hide();
    securityCombo_->hide();
    columnRow->addSpacing(12);
    columnRow->addWidget(securityLabel_);
    columnRow->addWidget(securityCombo_);
    columnRow->addStretch();
    connect(securityCombo_, &QComboBox::currentIndexChanged, this, &ViewerWindow::cmbSecurity_Changed);
    chartLayout->addLayout(columnRow);
    chart_ = new PriceChart(chartPanel);
    chart_->setObjectName(QStringLiteral("chart"));
    // Room for the price pane, the volume pane and the date labels.
    chart_->setMinimumHeight(260);
    chartLayout->addWidget(chart_);
    connect(columnCombo_, &QComboBox::currentIndexChanged, this, &ViewerWindow::cmbColumn_Changed);

    findingsPanel_ = new FindingsPanel(splitter);
    connect(findingsPanel_, &FindingsPanel::rowChosen, this, &ViewerWindow::ShowRow);

    splitter->addWidget(tblCells_);
    splitter->addWidget(chartPanel);
    splitter->addWidget(findingsPanel_);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setStretchFactor(2, 1);
    layout->addWidget(splitter, 1);
    // On a screen smaller than the panes' least sizes (a high scale factor on a small
    // screen) the window scrolls rather than reach past the screen's edge.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(central);
    setCentralWidget(scroll);
}

void ViewerWindow::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("&Open..."), this, &ViewerWindow::mnuOpen_Click);
    open->setObjectName(QStringLiteral("openAction"));
    open->setShortcut(QKeySequence::Open);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("exitAction"));

    QMenu* dataMenu = menuBar()->addMenu(QStringLiteral("&Data"));
    checkDataAction_ = dataMenu->addAction(QStringLiteral("&Check data"), this, &ViewerWindow::mnuCheckData_Click);
    checkDataAction_->setObjectName(QStringLiteral("checkDataAction"));
    checkDataAction_->setShortcut(Qt::Key_F7);
    checkDataAction_->setEnabled(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* files = help->addAction(QStringLiteral("&Files the viewer opens"), this, &ViewerWindow::mnuHelpFiles_Click);
    files->setObjectName(QStringLiteral("helpFilesAction"));
    files->setShortcut(QKeySequence::HelpContents);
    QAction* checks = help->addAction(QStringLiteral("What &Check data finds"), this, &ViewerWindow::mnuHelpChecks_Click);
    checks->setObjectName(QStringLiteral("helpChecksAction"));
    help->addSeparator();
    QAction* about = help->addAction(QStringLiteral("&About"), this, &ViewerWindow::mnuAbout_Click);
    about->setObjectName(QStringLiteral("aboutAction"));
}

bool ViewerWindow::OpenFile(const QString& path)
{
    ViewerLoadResult loaded = LoadViewerSheet(path);
    if (!loaded.sheet) {
        platform::ShowMessage(kViewerTitle,
                              QStringLiteral("Cannot show ") + QDir::toNativeSeparators(path) + QStringLiteral(": ")
                                  + loaded.error + u'.',
                              platform::MessageIcon::Exclamation, this);
        return false;
    }
    model_->SetSheet(nullptr);
    sheet_ = std::make_unique<ViewerSheet>(std::move(*loaded.sheet));
    path_ = path;
    ShowSheet();
    return true;
}

void ViewerWindow::ShowSheet()
{
    setWindowTitle(QFileInfo(path_).fileName() + QStringLiteral(" - ") + kViewerTitle);
    QStringList names;
    for (const ViewerName& name : sheet_->Names())
        names << name.name + u' ' + AreaText(name.firstRow, name.firstColumn, name.lastRow, name.lastColumn);
    infoLabel_->setText(QDir::toNativeSeparators(path_) + QStringLiteral("\n") + sheet_->FileTypeName()
                      + QStringLiteral(", used range ") + sheet_->UsedRangeText() + QStringLiteral(", names: ")
                      + (names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));

    model_->SetSheet(sheet_.get());
    ClearFindings();
    checkDataAction_->setEnabled(true);

    {
        const QSignalBlocker blocker(columnCombo_);
        columnCombo_->clear();
        // In one step: a sheet may have tens of thousands of columns.
        QList<QStandardItem*> items;
        for (const int column : sheet_->UsedColumns())
            if (column != sheet_->DateColumn() && column != sheet_->SymbolColumn()) {
                auto* item = new QStandardItem(sheet_->Header(column));
                item->setData(column, Qt::UserRole);
                items << item;
            }
        static_cast<QStandardItemModel*>(columnCombo_->model())->invisibleRootItem()->appendRows(items);
        SetChartColumn(DefaultChartColumn(*sheet_));
    }
    const QStringList securities = sheet_->Securities();
    {
        const QSignalBlocker blocker(securityCombo_);
        securityCombo_->clear();
        securityCombo_->addItems(securities);
    }
    securityLabel_->setVisible(!securities.isEmpty());
    securityCombo_->setVisible(!securities.isEmpty());
    cmbSecurity_Changed();
    sizedColumns_.assign(static_cast<std::size_t>(model_->columnCount()), false);
    SizeShownColumns();
}

// Fits the columns in view to their contents (the sample of rows of kSampleRows), each once.
void ViewerWindow::SizeShownColumns()
{
    // The columns in view are found first: fitting one moves those after it.
    QHeaderView* header = tblCells_->horizontalHeader();
    const int count = std::min(model_->columnCount(), static_cast<int>(sizedColumns_.size()));
    const int first = std::max(0, header->logicalIndexAt(0));
    const int shownLast = header->logicalIndexAt(tblCells_->viewport()->width() - 1);
    const int last = shownLast < 0 ? count - 1 : std::min(shownLast, count - 1);
    for (int column = first; column <= last; ++column) {
        if (sizedColumns_[static_cast<std::size_t>(column)])
            continue;
        sizedColumns_[static_cast<std::size_t>(column)] = true;
        tblCells_->resizeColumnToContents(column);
    }
}

void ViewerWindow::ClearFindings()
{
    findingRows_.clear();
    findingsPanel_->Clear();
    model_->SetMarkedRows({});
}

QString ViewerWindow::Security() const { return securityCombo_->count() > 0 ? securityCombo_->currentText() : QString(); }

void ViewerWindow::SetSecurity(const QString& security) { securityCombo_->setCurrentIndex(securityCombo_->findText(security)); }

void ViewerWindow::cmbSecurity_Changed()
{
    if (!sheet_)
        return;
    securityRows_ = securityCombo_->count() > 0 ? sheet_->RowsOf(securityCombo_->currentText()) : std::vector<int>();
    model_->SetRows(securityRows_);
    ClearFindings();
    cmbColumn_Changed();
}

int ViewerWindow::ChartColumn() const { return columnCombo_->currentData().isValid() ? columnCombo_->currentData().toInt() : -1; }

void ViewerWindow::SetChartColumn(int column) { columnCombo_->setCurrentIndex(columnCombo_->findData(column)); }

void ViewerWindow::cmbColumn_Changed()
{
    const int column = ChartColumn();
    if (sheet_ && column >= 0)
        chart_->SetSeries(ReadChartSeries(*sheet_, column, ShownRows()));
    else
        chart_->Clear();
    chart_->SetMarkedRows(findingRows_);
}

void ViewerWindow::mnuOpen_Click()
{
    platform::FileDialogRequest request;
    request.mode = platform::FileDialogMode::Open;
    request.title = QStringLiteral("Open Pattern File");
    request.filters = {{QStringLiteral("Pattern and spreadsheet files"), {"*.pat", "*.wk1", "*.xls", "*.xlsx", "*.csv"}},
                       {QStringLiteral("All files"), {"*"}}};
    if (const std::optional<QString> path = platform::RunFileDialog(this, request))
        OpenFile(*path);
}

void ViewerWindow::mnuCheckData_Click()
{
    if (!sheet_)
        return;
    const SheetCheck check = CheckSheet(*sheet_, ShownRows());
    QHash<int, QString> reasons;
    findingRows_.clear();
    for (const SheetFinding& found : check.findings) {
        QString& text = reasons[found.row];
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromLatin1(quality::KindName(found.finding.kind))
            + QStringLiteral(": ") + QString::fromStdString(found.finding.reason);
        if (findingRows_.empty() || findingRows_.back() != found.row)
            findingRows_.push_back(found.row);
    }
    model_->SetMarkedRows(std::move(reasons));
    findingsPanel_->Show(check);
    chart_->SetMarkedRows(findingRows_);
}

void ViewerWindow::ShowRow(int sheetRow)
{
    // The label row heads the table instead of being a row of it.
    const int tableRow = sheet_ ? model_->TableRow(sheetRow) : -1;
    if (tableRow < 0)
        return;
    const QModelIndex index = model_->index(tableRow, 0);
    tblCells_->selectRow(tableRow);
    tblCells_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void ViewerWindow::mnuHelpFiles_Click()
{
    platform::ShowMessage(kViewerTitle, ViewerFilesHelp(), platform::MessageIcon::Information, this);
}

void ViewerWindow::mnuHelpChecks_Click()
{
    platform::ShowMessage(kViewerTitle, ViewerChecksHelp(), platform::MessageIcon::Information, this);
}

void ViewerWindow::mnuAbout_Click()
{
    platform::ShowMessage(QStringLiteral("About ") + kViewerTitle, ViewerAboutText(), platform::MessageIcon::Information, this);
}
