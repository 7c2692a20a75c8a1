// Quorvel: reads a label import file into a list and prints the labels.
#include "app/MessageBoxDialogs.h"
#include "app/Startup.h"
#include "app/TFrmLerEtiqueta.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    quorvel::app::setApplicationIdentity();
    quorvel::app::MessageBoxDialogs dialogs;
    return quorvel::app::runApplication(dialogs, [&dialogs] { return std::make_unique<TFrmLerEtiqueta>(dialogs); });
}
