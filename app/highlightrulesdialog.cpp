#include "highlightrulesdialog.h"

#include "entrypresentation.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr quint32 noColour = EntryPresentation::noColour;
// Unreadable rules show in this red.
const QColor errorColour(0xD0, 0x00, 0x00);

QPushButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *made = new QPushButton(text, parent);
    made->setObjectName(name);
    made->setAutoDefault(false);
    return made;
}

void showColour(QPushButton *swatch, quint32 colour)
{
    swatch->setText(colour == noColour ? QObject::tr("None") : QColor(QRgb(colour)).name());
    QPixmap pixmap(16, 16);
    pixmap.fill(colour == noColour ? QColor(Qt::transparent) : QColor(QRgb(colour)));
    swatch->setIcon(QIcon(pixmap));
}

} // namespace

HighlightRulesDialog::HighlightRulesDialog(std::vector<HighlightRule> rules, QWidget *parent)
    : QDialog(parent)
    , list(std::move(rules))
{
    setObjectName(QStringLiteral("highlightRules"));
    setWindowTitle(tr("Highlight Rules"));
    buildLayout();
    refresh(list.empty() ? -1 : 0);
}

void HighlightRulesDialog::buildLayout()
{
    view = new QListWidget(this);
    view->setObjectName(QStringLiteral("highlightRuleList"));
    expression = new QLineEdit(this);
    expression->setObjectName(QStringLiteral("highlightExpression"));
    expression->setPlaceholderText(tr("a filter, e.g. subsystem == \"gripper\""));
    error = new QLabel(this);
    error->setObjectName(QStringLiteral("highlightError"));
    error->setWordWrap(true);
    QPalette red = error->palette();
    red.setColor(QPalette::WindowText, errorColour);
    error->setPalette(red);
    textColour = button(QString(), QStringLiteral("highlightTextColour"), this);
    textNone = button(tr("No Text Colour"), QStringLiteral("highlightTextNone"), this);
    backgroundColour = button(QString(), QStringLiteral("highlightBackground"), this);
    backgroundNone = button(tr("No Background"), QStringLiteral("highlightBackgroundNone"), this);
    add = button(tr("Add"), QStringLiteral("highlightAdd"), this);
    remove = button(tr("Remove"), QStringLiteral("highlightRemove"), this);
    up = button(tr("Move Up"), QStringLiteral("highlightUp"), this);
    down = button(tr("Move Down"), QStringLiteral("highlightDown"), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("highlightButtons"));

    auto *side = new QVBoxLayout;
    for (QPushButton *each : {add, remove, up, down})
        side->addWidget(each);
    side->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(view, 1);
    top->addLayout(side);
    auto *textRow = new QHBoxLayout;
    textRow->addWidget(textColour, 1);
    textRow->addWidget(textNone);
    auto *backgroundRow = new QHBoxLayout;
    backgroundRow->addWidget(backgroundColour, 1);
    backgroundRow->addWidget(backgroundNone);
    auto *form = new QFormLayout;
    form->addRow(tr("Rows where"), expression);
    form->addRow(QString(), error);
    form->addRow(tr("Text"), textRow);
    form->addRow(tr("Background"), backgroundRow);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("The first rule true of a record colours its row."), this));
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connectControls();
}

void HighlightRulesDialog::connectControls()
{
    connect(add, &QPushButton::clicked, this, &HighlightRulesDialog::addRule);
    connect(remove, &QPushButton::clicked, this, &HighlightRulesDialog::removeRule);
    connect(up, &QPushButton::clicked, this, [this] { moveRule(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveRule(1); });
    connect(textColour, &QPushButton::clicked, this, [this] { chooseColour(false); });
    connect(backgroundColour, &QPushButton::clicked, this, [this] { chooseColour(true); });
    connect(textNone, &QPushButton::clicked, this, [this] {
        if (const int row = currentRow(); row >= 0)
            setRuleColours(row, noColour, list[size_t(row)].background);
    });
    connect(backgroundNone, &QPushButton::clicked, this, [this] {
        if (const int row = currentRow(); row >= 0)
            setRuleColours(row, list[size_t(row)].text, noColour);
    });
    connect(view, &QListWidget::currentRowChanged, this, &HighlightRulesDialog::showCurrent);
    connect(view, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        const int row = view->row(item);
        if (refreshing || row < 0 || row >= int(list.size()))
            return;
        list[size_t(row)].enabled = item->checkState() == Qt::Checked;
        showItem(row);
    });
    connect(expression, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (const int row = currentRow(); row >= 0) {
            list[size_t(row)].expression = text;
            showItem(row);
            showCurrent();
        }
    });
}

int HighlightRulesDialog::currentRow() const
{
    const int row = view->currentRow();
    return row >= 0 && row < int(list.size()) ? row : -1;
}

void HighlightRulesDialog::addRule()
{
    if (int(list.size()) >= HighlightRuleSet::maxRules)
        return;
    HighlightRule rule;
    rule.background = 0xFFE0A0;
    list.push_back(rule);
    refresh(int(list.size()) - 1);
    expression->setFocus();
}

void HighlightRulesDialog::removeRule()
{
    const int row = currentRow();
    if (row < 0)
        return;
    list.erase(list.begin() + row);
    refresh(std::min(row, int(list.size()) - 1));
}

void HighlightRulesDialog::moveRule(int by)
{
    const int row = currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= int(list.size()))
        return;
    std::swap(list[size_t(row)], list[size_t(to)]);
    refresh(to);
}

void HighlightRulesDialog::chooseColour(bool background)
{
    const int row = currentRow();
    if (row < 0)
        return;
    const HighlightRule &rule = list[size_t(row)];
    const quint32 now = background ? rule.background : rule.text;
    const QColor chosen = QColorDialog::getColor(now == noColour ? QColor(Qt::white) : QColor(QRgb(now)), this,
                                                 background ? tr("Background") : tr("Text"));
    if (!chosen.isValid())
        return;
    const quint32 rgb = chosen.rgb() & 0xFFFFFFu;
    setRuleColours(row, background ? rule.text : rgb, background ? rgb : rule.background);
}

void HighlightRulesDialog::setRuleColours(int row, quint32 text, quint32 background)
{
    if (row < 0 || row >= int(list.size()))
        return;
    list[size_t(row)].text = text;
    list[size_t(row)].background = background;
    showItem(row);
    if (row == currentRow())
        showCurrent();
}

void HighlightRulesDialog::refresh(int current)
{
    refreshing = true;
    view->clear();
    for (int row = 0; row < int(list.size()); ++row) {
        auto *item = new QListWidgetItem(view);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        showItem(row);
    }
    refreshing = false;
    view->setCurrentRow(current);
    showCurrent();
}

void HighlightRulesDialog::showItem(int row)
{
    QListWidgetItem *item = view->item(row);
    if (!item)
        return;
    const bool was = refreshing;
    refreshing = true;
    const HighlightRule &rule = list[size_t(row)];
    const std::shared_ptr<const CompiledFilter> compiled = CompiledFilter::compile(rule.expression);
    item->setText(rule.expression.isEmpty() ? tr("(a new rule: type its filter)") : rule.expression);
    item->setCheckState(rule.enabled ? Qt::Checked : Qt::Unchecked);
    if (!compiled->isValid()) {
        // Not applied: red, with why.
        item->setForeground(errorColour);
        item->setBackground(QBrush());
        item->setToolTip(compiled->error());
    } else {
        item->setForeground(rule.text == noColour ? QBrush() : QBrush(QColor(QRgb(rule.text))));
        item->setBackground(rule.background == noColour ? QBrush() : QBrush(QColor(QRgb(rule.background))));
        item->setToolTip(QString());
    }
    refreshing = was;
}

void HighlightRulesDialog::showCurrent()
{
    const int row = currentRow();
    const bool any = row >= 0;
    for (QWidget *each : {static_cast<QWidget *>(expression), static_cast<QWidget *>(textColour),
                          static_cast<QWidget *>(textNone), static_cast<QWidget *>(backgroundColour),
                          static_cast<QWidget *>(backgroundNone), static_cast<QWidget *>(remove)})
        each->setEnabled(any);
    up->setEnabled(row > 0);
    down->setEnabled(any && row + 1 < int(list.size()));
    add->setEnabled(int(list.size()) < HighlightRuleSet::maxRules);
    if (!any) {
        expression->clear();
        error->clear();
        showColour(textColour, noColour);
        showColour(backgroundColour, noColour);
        return;
    }
    const HighlightRule &rule = list[size_t(row)];
    if (expression->text() != rule.expression)
        expression->setText(rule.expression);
    error->setText(CompiledFilter::compile(rule.expression)->error());
    showColour(textColour, rule.text);
    showColour(backgroundColour, rule.background);
}
