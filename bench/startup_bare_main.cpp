// A bare Qt Widgets dialog with the program's set of controls (seven buttons, six of them with
// images, five lists, five edit boxes, a check box, seven labels of which four show images), run
// modally as the program runs its own; the start-up benchmark's baseline.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace {

QPixmap Image(int width, int height) {
    QPixmap image(width, height);
    image.fill(Qt::darkCyan);
    return image;
}

template <typename Widget>
Widget* Place(QDialog& dialog, int x, int y, int width, int height, bool shown = true) {
    auto* widget = new Widget(&dialog);
    widget->setGeometry(x, y, width, height);
    widget->setVisible(shown);
    return widget;
}

void Fill(QComboBox* list, int count) {
    for (int i = 1; i <= count; ++i) {
        list->addItem(QString("COM%1").arg(i));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle("bare dialog");
    dialog.setWindowIcon(Image(32, 32));
    dialog.setFixedSize(590, 330);

    const char* imaged[] = {"OPEN", "CLOSE", "READ", "START TAG", "CANCEL TAG", "WRITE"};
    int x = 20;
    for (const char* text : imaged) {
        auto* button = Place<QPushButton>(dialog, x, 266, 90, 44);
        button->setText(text);
        button->setIcon(Image(80, 36));
        button->setIconSize(QSize(80, 36));
        x += 95;
    }
    Place<QPushButton>(dialog, 174, 90, 12, 32, false)->setText("Exit");

    Fill(Place<QComboBox>(dialog, 292, 96, 118, 24), 50);
    const int hiddenLists[] = {8, 4, 2, 3};
    for (int count : hiddenLists) {
        Fill(Place<QComboBox>(dialog, 164, 94, 32, 24, false), count);
    }

    Place<QLineEdit>(dialog, 200, 158, 288, 24)->setMaxLength(60);
    Place<QLineEdit>(dialog, 200, 198, 368, 24)->setMaxLength(12);
    for (int i = 0; i < 3; ++i) {
        Place<QLineEdit>(dialog, 168, 96, 12, 24, false)->setReadOnly(true);
    }
    Place<QCheckBox>(dialog, 506, 160, 58, 20)->setText("LOCK");

    Place<QLabel>(dialog, 210, 102, 78, 16)->setText("COM PORT");
    Place<QLabel>(dialog, 26, 160, 168, 16)->setText("HOMEPAGE(http://) Only");
    Place<QLabel>(dialog, 108, 202, 78, 16)->setText("TABLE INFO");
    Place<QLabel>(dialog, 12, 12, 566, 66)->setPixmap(Image(566, 66));
    Place<QLabel>(dialog, 18, 138, 554, 2)->setPixmap(Image(554, 2));
    Place<QLabel>(dialog, 18, 240, 554, 2)->setPixmap(Image(554, 2));
    Place<QLabel>(dialog, 168, 98, 20, 14, false)->setPixmap(Image(20, 14));

    return dialog.exec();
}
