#include "windows/GeneralStuff.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zandrel Evaluation Software"));
    app.setQuitOnLastWindowClosed(false);
    Main();
    return QApplication::exec();
}
