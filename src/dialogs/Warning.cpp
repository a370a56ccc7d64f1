#include "dialogs/Warning.h"

#include "app/AppInfo.h"

#include <QMessageBox>

namespace dialogs {

void showWarning(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(appinfo::kApplicationName), text,
                    QMessageBox::Ok, parent);
    box.exec();
}

} // namespace dialogs
