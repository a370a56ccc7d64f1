#include "widgets/Warning.h"

#include "widgets/AppInfo.h"

#include <QMessageBox>

namespace widgets {

void showWarning(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(appinfo::kApplicationName), text,
                    QMessageBox::Ok, parent);
    if (!parent)
        box.setWindowFlag(Qt::WindowStaysOnTopHint); // no window of ours to stand above
    box.exec();
}

} // namespace widgets
