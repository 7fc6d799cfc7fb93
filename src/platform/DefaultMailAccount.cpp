#include "DefaultMailAccount.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace platform {

namespace {

using IniSections = QList<std::pair<QString, QHash<QString, QString>>>;

IniSections parseIni(const QString &text)
{
    IniSections sections;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            sections.append({line.mid(1, line.size() - 2), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !sections.isEmpty())
            sections.last().second.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return sections;
}

// A JavaScript string literal's content with its escapes resolved.
QString unescapeJs(const QString &s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        QChar c = s.at(i);
        if (c != u'\\' || i + 1 == s.size()) {
            out += c;
            continue;
        }
        c = s.at(++i);
        if (c == u'n')
            out += u'\n';
        else if (c == u't')
            out += u'\t';
        else if ((c == u'u' && i + 4 < s.size()) || (c == u'x' && i + 2 < s.size())) {
            const int digits = c == u'u' ? 4 : 2;
            bool ok = false;
            const ushort code = s.mid(i + 1, digits).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += digits;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString thunderbirdDefaultProfile(const QString &profilesIni, const QString &baseDir)
{
    const IniSections sections = parseIni(profilesIni);
    // IsRelative says how Thunderbird wrote the path, but a relative one is
    // read from the profiles folder either way, never from wherever the
    // program happens to run (an absolute one stays as it is).
    const auto resolve = [&](const QString &path) { return QDir(baseDir).filePath(path); };
    for (const auto &[name, values] : sections)
        if (name.startsWith(QLatin1StringView("Install")) && !values.value("Default").isEmpty())
            return resolve(values.value("Default"));
    QList<QHash<QString, QString>> profiles;
    for (const auto &[name, values] : sections)
        if (name.startsWith(QLatin1StringView("Profile")) && !values.value("Path").isEmpty())
            profiles.append(values);
    for (const auto &p : profiles)
        if (p.value("Default") == QLatin1StringView("1"))
            return resolve(p.value("Path"));
    if (profiles.size() == 1)
        return resolve(profiles.first().value("Path"));
    return QString();
}

MailAccount thunderbirdAccount(const QString &prefsJs)
{
    // user_pref("name", "text"); or user_pref("name", 123); one per line.
    static const QRegularExpression pref(
        QString::fromLatin1(R"re(^\s*user_pref\(\s*"((?:[^"\\]|\\.)*)"\s*,\s*)re"
                            R"re((?:"((?:[^"\\]|\\.)*)"|([^)\s]*))\s*\)\s*;)re"),
        QRegularExpression::MultilineOption);
    QHash<QString, QString> prefs;
    for (auto it = pref.globalMatch(prefsJs); it.hasNext();) {
        const auto m = it.next();
        prefs.insert(unescapeJs(m.captured(1)),
                     m.capturedStart(2) >= 0 ? unescapeJs(m.captured(2)) : m.captured(3));
    }
    auto found = [&](const QString &key) -> std::optional<QString> {
        const QString v = prefs.value(key);
        return v.isEmpty() ? std::nullopt : std::optional<QString>(v);
    };

    MailAccount account;
    const QString accountKey = prefs.value(QStringLiteral("mail.accountmanager.defaultaccount"));
    if (accountKey.isEmpty())
        return account;
    const QString identity =
        prefs.value(QStringLiteral("mail.account.%1.identities").arg(accountKey))
            .section(u',', 0, 0)
            .trimmed();
    if (identity.isEmpty())
        return account;
    const QString id = QStringLiteral("mail.identity.%1.").arg(identity);
    account.email = found(id + QStringLiteral("useremail"));
    account.displayName = found(id + QStringLiteral("fullName"));
    QString smtp = prefs.value(id + QStringLiteral("smtpServer"));
    if (smtp.isEmpty())
        smtp = prefs.value(QStringLiteral("mail.smtp.defaultserver"));
    if (!smtp.isEmpty()) {
        const QString server = QStringLiteral("mail.smtpserver.%1.").arg(smtp);
        // No host name or address holds a bracket; one that does would
        // break the server field's "[address]:port".
        const auto host = found(server + QStringLiteral("hostname"));
        if (host && !host->contains(u'[') && !host->contains(u']')) {
            // Our server field takes host:port, so a submission or TLS port
            // set in the account comes along; anything but a port number
            // counts as no port.
            bool isNumber = false;
            const uint number = prefs.value(server + QStringLiteral("port")).toUInt(&isNumber);
            int port = isNumber && number <= 65535 ? int(number) : 0;
            // "SSL/TLS" (try_ssl 3) without a port of its own means 465.
            if (port == 0 &&
                prefs.value(server + QStringLiteral("try_ssl")) == QLatin1StringView("3"))
                port = 465;
            // An IPv6 address in brackets, so that its colons are not taken
            // for the port's.
            const QString h = host->contains(u':') ? u'[' + *host + u']' : *host;
            account.smtpServer = port != 0 && port != 25 ? h + u':' + QString::number(port) : h;
        }
    }
    return account;
}

} // namespace platform
