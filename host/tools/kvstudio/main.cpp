// kvstudio: imports 3DS files through the importer plug-in, as the
// modelling application does, and shows the model in a 3D view.

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSurfaceFormat>
#include <QTimer>
#include <QTranslator>
#include <QtQuick3D/qquick3d.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "Display.h"
#include "FreedMemory.h"
#include "HostVersion.h"
#include "ImporterPlugin.h"
#include "InterruptionInQt.h"
#include "ScreenPicture.h"
#include "HostText.h"
#include "StudioWindow.h"
#include "TerminalText.h"
#include "WindowPlacement.h"

namespace {

constexpr const char* kHelpText =
    "Imports a 3DS file through the importer plug-in and shows the model: File > Import,\n"
    "or drop a .3ds file on the window. File > Open shows a Korvanta model (.kvm),\n"
    "File > Export saves the model shown as glTF binary (.glb).";

struct Command {
    QString file;
    QString pluginPath;
    QString screenshot;
};

// Read before the application exists, so that --help and --version work
// without a display; exits the program for them and for usage errors.
Command ParseCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kHelpText));
    parser.addHelpOption();
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the program's version."));
    const QCommandLineOption plugin(QStringLiteral("plugin"),
                                    QStringLiteral("The importer plug-in (default: Plugins/3DSImporter.so beside kvstudio)."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Once FILE is shown, save a picture of the window to PICTURE (PNG) and quit; the results "
                       "dialog is closed on its own, and what the status bar says goes to standard error."),
        QStringLiteral("PICTURE"));
    parser.addOptions({version, plugin, screenshot});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A 3DS file to import or a .kvm model to open."),
                                 QStringLiteral("[FILE]"));
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "kvstudio: %s\nTry 'kvstudio --help'.\n", kvhost::PrintableText(parser.errorText().toStdString()).c_str());
        std::exit(2);
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // Without an application object Qt cannot know the program's name.
        std::fputs(qPrintable(parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("kvstudio"))), stdout);
        std::exit(0);
    }
    if (parser.isSet(version)) {
        std::printf("%s\n", kvhost::HostVersionLine("kvstudio").c_str());
        std::exit(0);
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1 || (parser.isSet(screenshot) && files.isEmpty())) {
        std::fprintf(stderr, "kvstudio: %s\n", files.size() > 1 ? "give at most one file" : "--screenshot needs a FILE");
        std::exit(2);
    }
    return {files.value(0), parser.value(plugin), parser.value(screenshot)};
}

// Qt's own texts (the file dialog's, say) in the user's language, where
// Qt's translations are installed.
void TranslateQt(QApplication& application) {
    auto* translator = new QTranslator(&application);
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

}  // namespace

int main(int argc, char** argv) {
    kvhost::GrowTheHeapOnHugePages(argv);
    kvhost::UseTheUsersLanguage();
    const Command command = ParseCommandLine(argc, argv);
    if (!kvhost::HasADisplay()) {
        std::fprintf(stderr, "kvstudio: %s\n",
                     kvhost::Translated("kvstudio needs a display: none is set (DISPLAY, WAYLAND_DISPLAY or "
                                        "QT_QPA_PLATFORM); xvfb-run -a kvstudio runs it without a desktop"));
        return 1;
    }
    kvhost::KeepFreedMemoryForReuse();
    // A signal ends kvstudio as quitting does, so that its scratch folder goes.
    kvhost::CatchInterruptions();
    QApplication application(argc, argv);
    kvhost::EndEventLoopsOnInterruption(application);
    QApplication::setApplicationName(QStringLiteral("kvstudio"));
    QApplication::setOrganizationName(QStringLiteral("Korvanta"));
    QSurfaceFormat::setDefaultFormat(QQuick3D::idealSurfaceFormat());
    TranslateQt(application);

    std::string error;
    const std::filesystem::path pluginPath =
        command.pluginPath.isEmpty() ? kvhost::DefaultPluginPath() : std::filesystem::path(command.pluginPath.toStdString());
    const std::unique_ptr<kvhost::ImporterPlugin> plugin = kvhost::ImporterPlugin::Load(pluginPath, error);
    if (!plugin) {
        std::fprintf(stderr, "kvstudio: %s\n", kvhost::PrintableText(error).c_str());
        // Nobody is there to close a message box in a picture run.
        if (command.screenshot.isEmpty()) QMessageBox::critical(nullptr, QStringLiteral("kvstudio"), QString::fromStdString(error));
        return 1;
    }

    auto window = std::make_unique<kvstudio::StudioWindow>(plugin->Importer());
    kvstudio::RestorePlacement(*window);
    window->show();
    if (!command.screenshot.isEmpty()) kvstudio::TakePictureOnceShown(*window, command.screenshot);
    if (!command.file.isEmpty()) {
        QTimer::singleShot(0, window.get(), [window = window.get(), file = command.file] {
            if (QFileInfo(file).suffix().compare(QLatin1String("kvm"), Qt::CaseInsensitive) == 0) {
                window->Open(file);
            } else {
                window->Import(file);
            }
        });
    }
    const int exitCode = QApplication::exec();
    if (kvhost::CaughtInterruption() != 0 || window->IsBusy()) {
        // The modelling library may still be reading or writing a model for
        // File > Open on a thread of its own, which nothing can stop
        // halfway: the window removes its scratch folder, and the program
        // ends at once, without running the destructors that thread may
        // yet need.
        window.reset();
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
