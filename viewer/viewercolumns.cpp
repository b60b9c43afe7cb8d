// The LogFileViewer's columns as the user chose them: the header's menu
// that hides and shows them by name, the same for every viewer, and the
// columns fitted anew when the font changes.

#include "logfileviewer.h"

#include "viewerpreferences.h"

#include <QEvent>
#include <QHeaderView>
#include <QMenu>

namespace {

// Calls back when the font of the object it watches changes.
class FontWatch final : public QObject
{
public:
    FontWatch(QObject *watched, std::function<void()> changed)
        : QObject(watched)
        , onChange(std::move(changed))
    {
        watched->installEventFilter(this);
    }
    Q_DISABLE_COPY_MOVE(FontWatch)

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FontChange && watched == parent())
            onChange();
        return false;
    }

private:
    std::function<void()> onChange;
};

} // namespace

void LogFileViewer::setColumnHiddenByUser(const QString &name, bool hidden)
{
    ViewerPreferences::instance().setColumnHidden(name, hidden);
}

bool LogFileViewer::isColumnHiddenByUser(const QString &name)
{
    return ViewerPreferences::instance().isColumnHidden(name);
}

void LogFileViewer::initializeColumns()
{
    connect(&ViewerPreferences::instance(), &ViewerPreferences::hiddenColumnsChanged, this,
            &LogFileViewer::applyHiddenColumns);
    // Columns added later (Source, say) are hidden as chosen too.
    connect(header(), &QHeaderView::sectionCountChanged, this, &LogFileViewer::applyHiddenColumns);
    applyHiddenColumns();
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        QMenu *menu = createColumnMenu();
        menu->exec(header()->viewport()->mapToGlobal(position));
        delete menu;
    });
    // A larger font needs wider columns for the same texts.
    new FontWatch(this, [this] {
        if (file && !loading)
            fitColumns();
    });
}

void LogFileViewer::applyHiddenColumns()
{
    const QTreeWidgetItem *labels = headerItem();
    for (int column = 0; column < columnCount(); ++column) {
        const bool hide = isColumnHiddenByUser(labels->text(column));
        if (isColumnHidden(column) != hide)
            setColumnHidden(column, hide);
    }
}

QMenu *LogFileViewer::createColumnMenu()
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("columnHeaderMenu"));
    const QTreeWidgetItem *labels = headerItem();
    int shown = 0;
    for (int column = 0; column < columnCount(); ++column)
        shown += isColumnHidden(column) ? 0 : 1;
    // In the order the header shows them.
    for (int visual = 0; visual < columnCount(); ++visual) {
        const int column = header()->logicalIndex(visual);
        // Line and Clock come and go with View > Line Numbers and the time
        // origin.
        if (column == columns.lineColumn || column == columns.clockColumn)
            continue;
        const QString name = labels->text(column);
        QAction *action = menu->addAction(name);
        action->setObjectName(QStringLiteral("column") + name);
        action->setCheckable(true);
        action->setChecked(!isColumnHidden(column));
        // The last column shown stays.
        action->setEnabled(isColumnHidden(column) || shown > 1);
        connect(action, &QAction::toggled, this, [name](bool on) { setColumnHiddenByUser(name, !on); });
    }
    return menu;
}
