#include "viewer_window.h"

#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "findings_panel.h"
#include "price_chart.h"
#include "sheet_check.h"
#include "sheet_table_model.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kViewerTitle = QStringLiteral("Pattern File Viewer");
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

    lblInfo_ = new QLabel(QStringLiteral("No file open. Choose File > Open."), central);
    lblInfo_->setObjectName(QStringLiteral("lblInfo"));
    lblInfo_->setWordWrap(true);
    lblInfo_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblInfo_);

    auto* splitter = new QSplitter(Qt::Vertical, central);
    model_ = new SheetTableModel(this);
    tblCells_ = new QTableView(splitter);
    tblCells_->setObjectName(QStringLiteral("tblCells"));
    tblCells_->setModel(model_);
    tblCells_->verticalHeader()->setDefaultSectionSize(tblCells_->fontMetrics().height() + 6);

    auto* chartPanel = new QWidget(splitter);
    auto* chartLayout = new QVBoxLayout(chartPanel);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    auto* columnRow = new QHBoxLayout;
    auto* columnLabel = new QLabel(QStringLiteral("&Chart column:"), chartPanel);
    cmbColumn_ = new QComboBox(chartPanel);
    cmbColumn_->setObjectName(QStringLiteral("cmbColumn"));
    cmbColumn_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    columnLabel->setBuddy(cmbColumn_);
    columnRow->addWidget(columnLabel);
    columnRow->addWidget(cmbColumn_);
    columnRow->addStretch();
    chartLayout->addLayout(columnRow);
    chart_ = new PriceChart(chartPanel);
    chart_->setObjectName(QStringLiteral("chart"));
    // Room for the price pane, the volume pane and the date labels.
    chart_->setMinimumHeight(260);
    chartLayout->addWidget(chart_);
    connect(cmbColumn_, &QComboBox::currentIndexChanged, this, &ViewerWindow::cmbColumn_Changed);

    findingsPanel_ = new FindingsPanel(splitter);
    connect(findingsPanel_, &FindingsPanel::rowChosen, this, &ViewerWindow::ShowRow);

    splitter->addWidget(tblCells_);
    splitter->addWidget(chartPanel);
    splitter->addWidget(findingsPanel_);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setStretchFactor(2, 1);
    layout->addWidget(splitter, 1);
    setCentralWidget(central);
}

void ViewerWindow::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("&Open..."), this, &ViewerWindow::mnuOpen_Click);
    open->setObjectName(QStringLiteral("mnuOpen"));
    open->setShortcut(QKeySequence::Open);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("mnuExit"));

    QMenu* dataMenu = menuBar()->addMenu(QStringLiteral("&Data"));
    mnuCheckData_ = dataMenu->addAction(QStringLiteral("&Check data"), this, &ViewerWindow::mnuCheckData_Click);
    mnuCheckData_->setObjectName(QStringLiteral("mnuCheckData"));
    mnuCheckData_->setShortcut(Qt::Key_F7);
    mnuCheckData_->setEnabled(false);
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
    lblInfo_->setText(QDir::toNativeSeparators(path_) + QStringLiteral("\n") + sheet_->FileTypeName()
                      + QStringLiteral(", used range ") + sheet_->UsedRangeText() + QStringLiteral(", names: ")
                      + (names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));

    model_->SetSheet(sheet_.get());
    tblCells_->resizeColumnsToContents();
    findingRows_.clear();
    findingsPanel_->Clear();
    mnuCheckData_->setEnabled(true);

    const QSignalBlocker blocker(cmbColumn_);
    cmbColumn_->clear();
    for (int column = 0; column < sheet_->ColumnCount(); ++column)
        if (column != sheet_->DateColumn())
            cmbColumn_->addItem(sheet_->Header(column), column);
    SetChartColumn(DefaultChartColumn(*sheet_));
    cmbColumn_Changed();
}

int ViewerWindow::ChartColumn() const { return cmbColumn_->currentData().isValid() ? cmbColumn_->currentData().toInt() : -1; }

void ViewerWindow::SetChartColumn(int column) { cmbColumn_->setCurrentIndex(cmbColumn_->findData(column)); }

void ViewerWindow::cmbColumn_Changed()
{
    const int column = ChartColumn();
    if (sheet_ && column >= 0)
        chart_->SetSeries(ReadChartSeries(*sheet_, column));
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
    const SheetCheck check = CheckSheet(*sheet_);
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
    if (!sheet_ || sheetRow == sheet_->LabelRow())
        return;
    const int tableRow = sheetRow > sheet_->LabelRow() ? sheetRow - 1 : sheetRow;
    const QModelIndex index = model_->index(tableRow, 0);
    tblCells_->selectRow(tableRow);
    tblCells_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}
