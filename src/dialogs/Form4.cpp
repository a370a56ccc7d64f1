#include "dialogs/Form4.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Form4::Form4(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("サーバ確認"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->setSpacing(16);
    auto* label = new QLabel(QStringLiteral("メールサーバの設定の確認中です"), this);
    label->setObjectName(QStringLiteral("Label1"));
    QFont large = label->font();
    large.setPointSize(12);
    label->setFont(large);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("Command1"));
    cancel->setDefault(true);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, &Form4::cancelPressed);
}

void Form4::reject()
{
    Q_EMIT cancelPressed();
}
