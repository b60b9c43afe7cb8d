#include "logfileviewer.h"

#include "cappedtextdelegate.h"

#include "logfileentry.h"
#include "robotaction.h"

#include <QBrush>
#include <QColor>
#include <QHash>
#include <QStringBuilder>
#include <QStringList>
#include <QTreeWidgetItem>

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int viewerColumns = 6;
constexpr int messageColumn = 5;
constexpr int activityColumn = 4;
constexpr int actionColumn = 3;

const QStringList &headerLabels()
{
    static const QStringList labels{QStringLiteral("Time"),   QStringLiteral("Type"),
                                    QStringLiteral("Subsystem"), QStringLiteral("Action"),
                                    QStringLiteral("Activity"), QStringLiteral("Message")};
    return labels;
}

// Display names are shared strings, so a million rows hold no copies of them.
const QString &typeName(EntryType type)
{
    static const QString names[] = {QStringLiteral("Debug"), QStringLiteral("Info"),
                                    QStringLiteral("Warning"), QStringLiteral("Error"),
                                    QStringLiteral("Unknown")};
    const int index = static_cast<int>(type);
    return names[index >= Debug && index <= Error ? index : Unknown];
}

const QString &activityName(ActionActivity activity)
{
    static const QString names[] = {QStringLiteral("Start"), QStringLiteral("Complete"),
                                    QStringLiteral("Cancel"), QStringLiteral("Unknown")};
    const int index = static_cast<int>(activity);
    return names[index >= Start && index <= Cancel ? index : 3];
}

int rgbValue(const QColor &color)
{
    return color.red() * 65536 + color.green() * 256 + color.blue();
}

// A brush per colour, made once: every cell that uses it shares its data.
struct Brushes
{
    QBrush error{QColor(255, 0, 0, 255)};
    QBrush warning{QColor(255, 255, 0, 255)};
    QBrush start{QColor(192, 255, 192, 255)};
    QBrush complete{QColor(192, 192, 255, 255)};
    QBrush cancel{QColor(255, 192, 192, 255)};
    QBrush highlight{QColor(252, 144, 0, 255)};
    QBrush cleared{QColor(255, 255, 255, 255)};
};

const Brushes &brushes()
{
    static const Brushes instance;
    return instance;
}

// The column-5 colours a row can get when it is built.
enum ColourKind { NoColour, ErrorColour, WarningColour, StartColour, CompleteColour, CancelColour };
constexpr int colourKinds = 6;

const QBrush *brushFor(ColourKind kind)
{
    switch (kind) {
    case ErrorColour: return &brushes().error;
    case WarningColour: return &brushes().warning;
    case StartColour: return &brushes().start;
    case CompleteColour: return &brushes().complete;
    case CancelColour: return &brushes().cancel;
    default: return nullptr;
    }
}

ColourKind severityColour(EntryType type)
{
    switch (type) {
    case Error: return ErrorColour;
    case Warning: return WarningColour;
    default: return NoColour;
    }
}

ColourKind activityColour(ActionActivity activity)
{
    switch (activity) {
    case Start: return StartColour;
    case Complete: return CompleteColour;
    case Cancel: return CancelColour;
    default: return NoColour;
    }
}

QString actionText(const RobotAction &action, int indent)
{
    int length = indent + action.name().size();
    for (const QString &argument : action.arguments())
        length += 2 + argument.size();
    QString text;
    text.reserve(length);
    text.fill(QLatin1Char(' '), indent);
    text += action.name();
    for (const QString &argument : action.arguments()) {
        text += QLatin1String(", ");
        text += argument;
    }
    return text;
}

QTreeWidgetItem *topLevelAncestor(QTreeWidgetItem *item)
{
    while (item->parent())
        item = item->parent();
    return item;
}

} // namespace

// Rows are made as copies of these. Qt shares an item's column data between
// copies until one of them changes it, so rows of one colour share their
// column-5 role data, and every row starts with its column table sized for
// all six columns. The display texts are left empty: rows fill them in
// column order, which appends without comparing to an old value.
struct LogFileViewer::RowPrototypes
{
    RowPrototypes()
    {
        for (int kind = 0; kind < colourKinds; ++kind) {
            const QBrush *background = brushFor(ColourKind(kind));
            QTreeWidgetItem &row = entry[kind];
            // The role data first: it sizes the column table once.
            row.setData(messageColumn, Qt::UserRole, background ? rgbValue(background->color()) : 0);
            if (background) {
                row.setBackground(messageColumn, *background);
                subAction[kind].setBackground(messageColumn, *background);
            }
        }
    }
    Q_DISABLE_COPY_MOVE(RowPrototypes)

    QTreeWidgetItem entry[colourKinds];
    QTreeWidgetItem subAction[colourKinds];
};

QString LogFileViewer::timeText(double time)
{
    // Six significant digits would show 9449.923 as 9449.92 and a time stamp
    // in epoch seconds as 1.7e+09; from 1000 s on every integer digit shows,
    // with up to three decimals.
    if (!(std::fabs(time) >= 1000))
        return QString::number(time, 'g', 6);
    QString text = QString::number(time, 'f', 3);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

QString LogFileViewer::recordToolTip(const QString &message)
{
    QString text = message.size() > maxToolTipLength ? message.left(maxToolTipLength) + QChar(0x2026) : message;
    return CappedTextDelegate::withVisibleControls(text);
}

int LogFileViewer::defaultSubActionBudget(int entryCount)
{
    // Computed in 64 bits: four times a huge entry count overflows an int.
    const qint64 perEntries = qint64(subActionBudgetPerEntry) * std::max(entryCount, 0);
    return int(std::min<qint64>(std::max<qint64>(minSubActionBudget, perEntries), INT_MAX));
}

const QString &LogFileViewer::omittedRowsText()
{
    static const QString text(QChar(0x2026));
    return text;
}

LogFileViewer::LogFileViewer(std::shared_ptr<LogFile> file, QWidget *parent)
    : LogFileViewer(file, parent, defaultSubActionBudget(file ? file->entries().size() : 0))
{
}

LogFileViewer::LogFileViewer(std::shared_ptr<LogFile> file, QWidget *parent, int budget)
    : QTreeWidget(parent)
    , file(std::move(file))
    , subActionBudget(std::max(budget, 0))
{
    setColumnCount(viewerColumns);
    setHeaderLabels(headerLabels());
    // Every row is one line of text; without this the view asks each row for
    // its height.
    setUniformRowHeights(true);
    setItemDelegate(new CappedTextDelegate(this));
    connect(this, &QTreeWidget::currentItemChanged, this, &LogFileViewer::onCurrentItemChanged);
    indexPartners();
    populate();
}

LogFileViewer::~LogFileViewer() = default;

void LogFileViewer::indexPartners()
{
    nextEnd.clear();
    previousStart.clear();
    if (!file)
        return;
    const auto &entries = file->entries();
    const int count = entries.size();
    nextEnd.assign(count, -1);
    previousStart.assign(count, -1);

    // Latest row per id seen so far: Start rows going forward, Complete and
    // Cancel rows going backward. Each answer is then the value found before
    // the row itself is recorded.
    QHash<int, int> latest;
    for (int row = 0; row < count; ++row) {
        const LogFileEntry &entry = *entries.at(row);
        if (!entry.hasAction())
            continue;
        const int id = entry.action()->id();
        const auto found = latest.constFind(id);
        if (found != latest.constEnd())
            previousStart[row] = found.value();
        if (entry.activity() == Start)
            latest.insert(id, row);
    }
    latest.clear();
    for (int row = count - 1; row >= 0; --row) {
        const LogFileEntry &entry = *entries.at(row);
        if (!entry.hasAction())
            continue;
        const int id = entry.action()->id();
        const auto found = latest.constFind(id);
        if (found != latest.constEnd())
            nextEnd[row] = found.value();
        if (entry.activity() == Complete || entry.activity() == Cancel)
            latest.insert(id, row);
    }
}

int LogFileViewer::findPartner(int row, ActionActivity activity) const
{
    if (row < 0 || size_t(row) >= nextEnd.size())
        return -1;
    return activity == Start ? nextEnd[row] : previousStart[row];
}

QString LogFileViewer::partnerToolTip(int row) const
{
    if (!file || row < 0 || row >= file->entries().size())
        return QString();
    const int partner = findPartner(row, file->entries().at(row)->activity());
    if (partner < 0)
        return QString();
    const LogFileEntry &other = *file->entries().at(partner);
    // One allocation for the whole text.
    return QStringLiteral("Time ") % timeText(other.time()) % QStringLiteral(", ")
        % activityName(other.activity());
}

void LogFileViewer::populate()
{
    clear();
    partnerRow = -1;
    subActionRows = 0;
    if (!file)
        return;

    const RowPrototypes rowPrototypes;
    prototypes = &rowPrototypes;
    const auto &entries = file->entries();
    QList<QTreeWidgetItem *> rows;
    rows.reserve(entries.size());
    // Neighbouring records often show the same time; they share one text.
    QString lastTimeText;
    double lastTime = -1;
    // The longest time text sizes the Time column: the first rows alone
    // would leave later, longer times cut short.
    QString longestTimeText;

    for (int number = 0; number < entries.size(); ++number) {
        const LogFileEntry &entry = *entries.at(number);
        const RobotAction *action = entry.action().get();
        const ColourKind colour = action ? activityColour(entry.activity()) : severityColour(entry.type());
        // Column 5's colour and its role value come with the prototype.
        auto *row = new QTreeWidgetItem(rowPrototypes.entry[colour]);
        row->setData(0, Qt::UserRole, number);

        if (number == 0 || entry.time() != lastTime) {
            QString text = timeText(entry.time());
            if (text != lastTimeText)
                lastTimeText = std::move(text);
            lastTime = entry.time();
            if (lastTimeText.size() > longestTimeText.size())
                longestTimeText = lastTimeText;
        }
        row->setText(0, lastTimeText);
        row->setText(1, typeName(entry.type()));
        row->setText(2, entry.subsystem());
        if (action) {
            // An earlier start of the same action shows the same texts and
            // sub-actions; its rows lend this row their data.
            const int twinRow = previousStart[number];
            const QTreeWidgetItem *twin = twinRow >= 0 && entries.at(twinRow)->action().get() == action
                ? rows.at(twinRow)
                : nullptr;
            if (twin) {
                row->setText(actionColumn, twin->text(actionColumn));
                row->setText(activityColumn, activityName(entry.activity()));
                row->setText(messageColumn, twin->text(messageColumn));
            } else {
                row->setText(actionColumn, QString::number(action->id()));
                row->setText(activityColumn, activityName(entry.activity()));
                row->setText(messageColumn, actionText(*action, 0));
            }
            if (!action->children().isEmpty()) {
                addChildActions(row, 4, entry.activity(), action->children(), twin,
                                twin ? entries.at(twinRow)->activity() : NoActivity);
            }
            row->setToolTip(activityColumn, partnerToolTip(number));
            // The cell shows the action; the record's own words (a failure
            // reason, say) are one hover away.
            row->setToolTip(messageColumn, recordToolTip(entry.message()));
        } else {
            row->setText(messageColumn, entry.message());
        }
        rows.append(row);
    }
    prototypes = nullptr;

    // One insertion: the model announces the rows once instead of per row.
    addTopLevelItems(rows);
    for (int column = 0; column < viewerColumns; ++column)
        resizeColumnToContents(column);
    fitTimeColumn(longestTimeText);
}

void LogFileViewer::fitTimeColumn(const QString &longest)
{
    // Measured with every digit as wide as the widest one, so that any time
    // of that length fits.
    const QFontMetrics metrics(font());
    int digitWidth = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        digitWidth = std::max(digitWidth, metrics.horizontalAdvance(QLatin1Char(digit)));
    int width = 0;
    for (const QChar c : longest)
        width += c.isDigit() ? digitWidth : metrics.horizontalAdvance(c);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int needed = width + 2 * margin + (rootIsDecorated() ? indentation() : 0);
    if (header()->sectionSize(0) < needed)
        header()->resizeSection(0, needed);
}

// `twin`, when set, is a row built earlier for the same action at the same
// depth, under an entry of activity `twinActivity`; its sub-action rows show
// the same texts and are copied, so that the copies share their data.
void LogFileViewer::addChildActions(QTreeWidgetItem *parent, int indent, ActionActivity activity,
                                    const QList<std::shared_ptr<RobotAction>> &children,
                                    const QTreeWidgetItem *twin, ActionActivity twinActivity)
{
    const ColourKind colour = activityColour(activity);
    const QTreeWidgetItem &prototype = prototypes->subAction[colour];
    const int twinCount = twin ? twin->childCount() : 0;
    for (int i = 0; i < children.size(); ++i) {
        if (subActionRows >= subActionBudget) {
            addOmittedRow(parent, activity);
            return;
        }
        ++subActionRows;
        const RobotAction &child = *children.at(i);

        // The twin's row at the same place shows this child, unless the twin
        // was cut short there.
        const QTreeWidgetItem *twinChild = i < twinCount ? twin->child(i) : nullptr;
        if (twinChild && twinChild->text(actionColumn).isEmpty())
            twinChild = nullptr;
        QTreeWidgetItem *row = nullptr;
        if (twinChild && colour != NoColour) {
            row = new QTreeWidgetItem(*twinChild);
            if (twinActivity != activity)
                row->setBackground(messageColumn, *brushFor(colour));
        } else {
            twinChild = nullptr;
            row = new QTreeWidgetItem(prototype);
            row->setText(actionColumn, QString::number(child.id()));
            row->setText(messageColumn, actionText(child, indent));
        }
        // Added before its own children: the item then has no subtree to walk.
        parent->addChild(row);
        if (!child.children().isEmpty()) {
            if (indent / 4 >= maxSubActionDepth)
                addOmittedRow(row, activity);
            else
                addChildActions(row, indent + 4, activity, child.children(), twinChild, twinActivity);
        }
    }
}

void LogFileViewer::addOmittedRow(QTreeWidgetItem *parent, ActionActivity activity)
{
    auto *row = new QTreeWidgetItem(prototypes->subAction[activityColour(activity)]);
    row->setText(messageColumn, omittedRowsText());
    parent->addChild(row);
}

void LogFileViewer::onCurrentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous)
{
    Q_UNUSED(previous)
    if (!current || !file)
        return;

    // A sub-action row stands for the entry row it hangs under.
    const QTreeWidgetItem *entryRow = topLevelAncestor(current);
    const int row = entryRow->data(0, Qt::UserRole).toInt();
    int partner = -1;
    if (row >= 0 && row < file->entries().size()) {
        const LogFileEntry &entry = *file->entries().at(row);
        if (entry.hasAction())
            partner = findPartner(row, entry.activity());
    }

    if (partner != partnerRow && partnerRow != -1) {
        if (QTreeWidgetItem *item = topLevelItem(partnerRow)) {
            for (int column = 0; column < messageColumn; ++column)
                item->setBackground(column, brushes().cleared);
            const int rgb = item->data(messageColumn, Qt::UserRole).toInt();
            item->setBackground(messageColumn,
                                QColor((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff, 255));
        }
    }
    partnerRow = partner;
    if (partnerRow != -1) {
        if (QTreeWidgetItem *item = topLevelItem(partnerRow)) {
            for (int column = 0; column < viewerColumns; ++column)
                item->setBackground(column, brushes().highlight);
        }
    }
}
