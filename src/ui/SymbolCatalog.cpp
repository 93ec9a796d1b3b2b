#include "ui/SymbolCatalog.h"

#include <QFontDatabase>
#include <QHash>
#include <QLoggingCategory>

namespace vozel::ui {

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(symbolLog, "vozel.ui.symbols")

// Each symbol name of the views and the Material Icons codepoint drawn for it.
const QHash<QString, char16_t> &codepoints()
{
    static const QHash<QString, char16_t> table{
        {u"person.2.crop.square.stack"_s, 0xe9ed},             // switch_account
        {u"checkmark"_s, 0xe5ca},                              // check
        {u"person.crop.circle"_s, 0xe853},                     // account_circle
        {u"person.crop.circle.fill"_s, 0xe853},                // account_circle
        {u"person.crop.circle.badge.exclamationmark"_s, 0xf03e}, // no_accounts
        {u"person.crop.circle.badge.questionmark"_s, 0xf106},  // person_search
        {u"clock.arrow.circlepath"_s, 0xe889},                 // history
        {u"gearshape.fill"_s, 0xe8b8},                         // settings
        {u"speaker.wave.2"_s, 0xe050},                         // volume_up
        {u"speaker.wave.2.fill"_s, 0xe050},                    // volume_up
        {u"phone"_s, 0xe0cd},                                  // phone
        {u"phone.fill"_s, 0xe0b0},                             // call
        {u"phone.down.fill"_s, 0xe0b1},                        // call_end
        {u"phone.arrow.right"_s, 0xe61c},                      // phone_forwarded
        {u"phone.arrow.up.right.fill"_s, 0xe0b2},              // call_made
        {u"delete.left"_s, 0xe14a},                            // backspace
        {u"mic.fill"_s, 0xe029},                               // mic
        {u"mic.slash.fill"_s, 0xe02b},                         // mic_off
        {u"plus.circle"_s, 0xe148},                            // add_circle_outline
        {u"pencil"_s, 0xe3c9},                                 // edit
        {u"trash"_s, 0xe872},                                  // delete
        {u"magnifyingglass"_s, 0xe8b6},                        // search
        {u"xmark.circle.fill"_s, 0xe5c9},                      // cancel
    };
    return table;
}

} // namespace

SymbolCatalog::SymbolCatalog(QObject *parent) : QObject(parent) {}

QString SymbolCatalog::fontFamily()
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(u":/Vozel/Ui/MaterialIcons-Regular.ttf"_s);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (families.isEmpty()) {
            qCWarning(symbolLog) << "the symbol font could not be loaded";
            return u"Material Icons"_s;
        }
        return families.first();
    }();
    return family;
}

QString SymbolCatalog::glyphFor(const QString &symbolName)
{
    const auto it = codepoints().constFind(symbolName);
    if (it == codepoints().constEnd()) {
        qCWarning(symbolLog) << "no glyph for the symbol" << symbolName;
        return {};
    }
    return QString(QChar(*it));
}

QStringList SymbolCatalog::symbolNames()
{
    return codepoints().keys();
}

} // namespace vozel::ui
