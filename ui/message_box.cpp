#include "ui/message_box.h"

#include <QMessageBox>

namespace gauzel {

void QtMessageBoxes::Show(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace gauzel
