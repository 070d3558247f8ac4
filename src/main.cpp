#include "windows/GeneralStuff.h"
#include "windows/ToolbarIcons.h"

#include <QApplication>
#include <csignal>

int main(int argc, char** argv)
{
    // A write to a pipe whose reader has gone must fail with an error the program can
    // report, not end the program on the spot.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zandrel Evaluation Software"));
    QApplication::setWindowIcon(ToolbarIcon(QStringLiteral("Program")));
    app.setQuitOnLastWindowClosed(false);
    Main();
    return QApplication::exec();
}
