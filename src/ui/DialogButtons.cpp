#include "ui/DialogButtons.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QKeySequence>
#include <QPushButton>

namespace viscora {

OkCancel addOkCancel(QWidget *dialog, QBoxLayout *layout, const char *okName)
{
    auto *row = new QHBoxLayout;
    auto *ok = new QPushButton(QStringLiteral("&OK"), dialog);
    ok->setObjectName(QString::fromLatin1(okName));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("&Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    return {ok, cancel};
}

void giveAltKey(QAbstractButton &taker, std::initializer_list<QAbstractButton *> others)
{
    for (QAbstractButton *other : others)
        other->setShortcut(QKeySequence());
    taker.setShortcut(QKeySequence::mnemonic(taker.text()));
}

} // namespace viscora
