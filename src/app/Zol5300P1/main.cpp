// Zol5300P1: started by the package's menu program with "a/b/c"; shows the query window.
#include <QApplication>
#include <QFont>
#include <QStringList>

#include "core/package_path.h"
#include "ui/query_window.h"
#include "ui/query_window_args.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zol5300P1"));

    // The command line as one text, as the menu program wrote it.
    QStringList words = QCoreApplication::arguments();
    if (!words.isEmpty()) words.removeFirst();
    const auto args = zol::parse_command_line(words.join(QLatin1Char(' ')).toStdString());
    if (!args) return 0;

    QFont::insertSubstitution(QStringLiteral("細明體"), QStringLiteral("Noto Sans Mono CJK TC"));
    QFont::insertSubstitution(QStringLiteral("新細明體"), QStringLiteral("Noto Sans CJK TC"));

    const std::string base_path =
        zol::base_path_from_folder(QCoreApplication::applicationDirPath().toStdString());
    zol::ZOL5300F1 window(base_path, *args);
    if (!window.Form_Load()) return 1;
    window.show();
    return app.exec();
}
