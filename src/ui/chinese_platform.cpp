#include "ui/chinese_platform.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace zol {

bool use_traditional_chinese(QApplication& app) {
    QLocale::setDefault(
        QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan));
    QFont font = QApplication::font();
    font.setFamilies({QString::fromLatin1(kChineseUiFamily)});
    QApplication::setFont(font);

    auto translator = std::make_unique<QTranslator>(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_TW"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(translator.release());  // owned by the app
}

}  // namespace zol
