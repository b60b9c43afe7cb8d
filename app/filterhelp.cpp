#include "filterhelp.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

// Resources of a static library are registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(app);
}

FilterHelp::FilterHelp(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("filterHelp"));
    setWindowTitle(tr("Filter Language"));
    auto *text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("filterGuide"));
    text->setMarkdown(guide());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(760, 640);
}

QString FilterHelp::guide()
{
    initResources();
    QFile readme(QStringLiteral(":/README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return QString();
    const QString text = QString::fromUtf8(readme.readAll());
    const int start = text.indexOf(QStringLiteral("\n## Filtering"));
    if (start < 0)
        return QString();
    const int end = text.indexOf(QStringLiteral("\n## "), start + 1);
    return text.mid(start + 1, end < 0 ? -1 : end - start - 1);
}
