// Quorvel: reads a label import file into a list and prints the labels.
#include "app/MessageBoxDialogs.h"
#include "app/Startup.h"
#include "app/TFrmLerEtiqueta.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    quorvel::app::setApplicationIdentity();
    // The platform's own dialogs speak the regional settings' language; the boxes that name
    // their buttons keep those names.
    const auto translations = quorvel::app::installQtTranslations(QLocale::system());
    quorvel::app::MessageBoxDialogs dialogs;
    return quorvel::app::runApplication(dialogs, [&dialogs] { return std::make_unique<TFrmLerEtiqueta>(dialogs); });
}
