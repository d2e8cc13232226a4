#include "findings_panel.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

FindingsPanel::FindingsPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FindingsPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    findingsLabel_ = new QLabel(this);
    findingsLabel_->setObjectName(QStringLiteral("findingsLabel"));
    layout->addWidget(findingsLabel_);
    lstFindings_ = new QTreeWidget(this);
    lstFindings_->setObjectName(QStringLiteral("lstFindings"));
    lstFindings_->setRootIsDecorated(false);
    lstFindings_->setHeaderLabels({QStringLiteral("Row"), QStringLiteral("Date"), QStringLiteral("Kind"),
                                   QStringLiteral("Values"), QStringLiteral("Reason")});
    layout->addWidget(lstFindings_);
    // Room for a few findings under the chart without hiding its date labels.
    lstFindings_->setMinimumHeight(110);
    connect(lstFindings_, &QTreeWidget::itemActivated, this, &FindingsPanel::lstFindings_Activated);
    connect(lstFindings_, &QTreeWidget::itemClicked, this, &FindingsPanel::lstFindings_Activated);
    hide();
}

void FindingsPanel::Show(const SheetCheck& check)
{
    lstFindings_->clear();
    const QString period = QString::fromLatin1(quality::PeriodName(check.period));
    if (!check.pricesFound) {
        findingsLabel_->setText(QStringLiteral("Nothing to check: no column is headed \"Close\"."));
    } else {
        const auto count = static_cast<qsizetype>(check.findings.size());
        findingsLabel_->setText(
            (count == 0 ? QStringLiteral("No findings") : QString::number(count) + (count == 1 ? QStringLiteral(" finding") : QStringLiteral(" findings")))
            + QStringLiteral(" in %1 rows, checked as %2 data.").arg(check.rowsChecked).arg(period));
    }
    QList<QTreeWidgetItem*> items;
    for (const SheetFinding& found : check.findings) {
        auto* item = new QTreeWidgetItem(
            {QString::number(found.row + 1), QString::fromStdString(quality::DateText(found.finding.date)),
             QString::fromLatin1(quality::KindName(found.finding.kind)), QString::fromStdString(found.finding.values),
             QString::fromStdString(found.finding.reason)});
        item->setData(0, Qt::UserRole, found.row);
        items.append(item);
    }
    lstFindings_->addTopLevelItems(items);
    for (int column = 0; column < 4; ++column)
        lstFindings_->resizeColumnToContents(column);
    show();
}

void FindingsPanel::Clear()
{
    lstFindings_->clear();
    hide();
}

void FindingsPanel::lstFindings_Activated(QTreeWidgetItem* item)
{
    if (item)
        emit rowChosen(item->data(0, Qt::UserRole).toInt());
}
