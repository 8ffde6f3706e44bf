#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace lux {

namespace {

// Marks the translators installed here, so that a second call replaces them.
constexpr char kTranslatorName[] = "luxpanel-translator";

bool installOne(QCoreApplication& app, const QLocale& locale, const QString& name,
                const QString& folder) {
  auto* translator = new QTranslator(&app);
  translator->setObjectName(QLatin1String(kTranslatorName));
  if (!translator->load(locale, name, QStringLiteral("_"), folder) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

}  // namespace

bool installTranslations(QCoreApplication& app, const QLocale& locale) {
  for (QTranslator* old :
       app.findChildren<QTranslator*>(QLatin1String(kTranslatorName), Qt::FindDirectChildrenOnly)) {
    QCoreApplication::removeTranslator(old);
    delete old;
  }
  // The C locale asks for the texts as written: not even Qt's English file.
  if (locale.language() == QLocale::C) return false;
  installOne(app, locale, QStringLiteral("qtbase"),
             QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return installOne(app, locale, QStringLiteral("luxpanel"), QStringLiteral(":/i18n"));
}

}  // namespace lux
