#pragma once
// The program's texts in the user's language: Qt's own translation (the buttons and file dialogs
// Qt draws) and the program's, embedded as :/i18n/luxpanel_<language>.qm. English is the language
// the texts are written in and needs neither.

class QCoreApplication;
class QLocale;

namespace lux {

// Installs the translations for `locale` (the program passes QLocale::system()), replacing any
// this function installed before; QLocale::c() or an English locale leaves the English texts.
// Windows made afterwards show the new language; on a QCoreApplication (no display yet) it
// translates the console's texts, such as --help. True when the program's own translation for
// that language was found.
bool installTranslations(QCoreApplication& app, const QLocale& locale);

}  // namespace lux
