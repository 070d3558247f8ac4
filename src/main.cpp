#include "windows/GeneralStuff.h"
#include "windows/ToolbarIcons.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zandrel Evaluation Software"));
    QApplication::setWindowIcon(ToolbarIcon(QStringLiteral("Program")));
    app.setQuitOnLastWindowClosed(false);
    Main();
    return QApplication::exec();
}
