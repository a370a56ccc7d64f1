#include "settings/SettingsFile.h"

#include "platform/Codepage.h"
#include "settings/Ango.h"
#include "settings/FieldCaption.h"
#include "settings/OptionsFile.h"
#include "settings/OwnerOnly.h"
#include "settings/SaveFailure.h"
#include "settings/SettingsFieldReader.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <vector>

namespace {

const QString kHostKey = QString::fromUtf16(ango::kHostKey);
const QString kUserKey = QString::fromUtf16(ango::kUserKey);
const QString kPasswordKey = QString::fromUtf16(ango::kPasswordKey);

// ---- Reading ----

// Reads one target after another; the first failure makes every later read fail,
// and what was read before it stays in place.
class FieldSink
{
public:
    explicit FieldSink(SettingsFieldReader& reader) : m_reader(reader) {}
    bool ok() const { return m_ok; }

    void text(QString& target) { take(m_reader.readText(), target); }
    void integer(qint16& target) { take(m_reader.readInteger(), target); }
    void check(qint16& target) { take(m_reader.readCheck(), target); }
    void scrambled(QString& target, const QString& key)
    {
        const auto field = m_reader.readText();
        if (!m_ok || !field) {
            m_ok = false;
            return;
        }
        bool decrypted = false;
        const QString plain = Decrypt(*field, key, &decrypted);
        if (decrypted)
            target = plain;
        m_ok = decrypted;
    }
    void texts(std::array<QString, ServerProfile::kWordCount>& targets, int first)
    {
        for (int i = first; i < first + 5; ++i)
            text(targets[i]);
    }

private:
    template <typename T> void take(const std::optional<T>& value, T& target)
    {
        if (m_ok && value)
            target = *value;
        else
            m_ok = false;
    }

    SettingsFieldReader& m_reader;
    bool m_ok = true;
};

bool readProfiles(FieldSink& in, SettingsModel& model)
{
    for (ServerProfile& p : model.profiles) {
        QString port;
        in.text(port);
        in.scrambled(p.Server, kHostKey);
        in.scrambled(p.Id, kUserKey);
        in.scrambled(p.PassWd, kPasswordKey);
        if (in.ok())
            p.Port = port;
    }
    for (ServerProfile& p : model.profiles) {
        in.texts(p.SubjectWords, 0);
        in.texts(p.SubjectWords, 5);
        in.check(p.RuleUnsolicited);
        in.check(p.RuleNoJapanese);
        in.check(p.RuleSubjectWords);
        in.texts(p.SenderWords, 0);
        in.texts(p.SenderWords, 5);
        in.check(p.RuleSenderWords);
        in.check(p.RuleNotToMe);
        in.text(p.MyAddress);
        in.check(p.RuleNotCcMe);
    }
    return in.ok();
}

// Values that go to a check box must be ones it takes; the others are plain integers.
bool readGlobals(FieldSink& in, GlobalSettings& g)
{
    in.integer(g.IntCheck);
    in.integer(g.TimePosition);
    in.check(g.CleanCond1);
    in.check(g.CleanCond2);
    in.check(g.MainSubjectRule);
    in.check(g.MainSenderRule);
    in.text(g.MainSubjectWords);
    in.text(g.MainSenderWords);
    in.integer(g.MailSoftSelect);
    in.check(g.ClearLogAtStart);
    return in.ok();
}

// ---- Writing ----

class LineWriter
{
public:
    LineWriter& text(const QString& value)
    {
        separate();
        m_bytes += '"' + platform::encodeCp932(value).bytes + '"';
        return *this;
    }
    LineWriter& integer(qint16 value)
    {
        separate();
        m_bytes += QByteArray::number(value);
        return *this;
    }
    LineWriter& texts(const std::array<QString, ServerProfile::kWordCount>& values, int first)
    {
        for (int i = first; i < first + 5; ++i)
            text(values[i]);
        return *this;
    }
    void endLine()
    {
        m_bytes += "\r\n";
        m_lineStart = true;
    }
    const QByteArray& bytes() const { return m_bytes; }

private:
    void separate()
    {
        if (!m_lineStart)
            m_bytes += ',';
        m_lineStart = false;
    }

    QByteArray m_bytes;
    bool m_lineStart = true;
};

} // namespace

std::optional<QString> unstorableReason(const QString& text, bool scrambled)
{
    if (text.contains(u'\r') || text.contains(u'\n'))
        return QStringLiteral("改行が含まれています");
    // Scrambled text never holds a double quote, whatever the original held.
    if (!scrambled && text.contains(u'"'))
        return QStringLiteral("二重引用符（\"）が含まれています");
    const auto encoded = platform::encodeCp932(text);
    if (!encoded.ok())
        return QStringLiteral("シフトJISで表せない文字「%1」が含まれています")
            .arg(encoded.unencodable);
    return std::nullopt;
}

LoadOutcome LoadSettings(const QString& path, SettingsModel& model)
{
    // Each profile's connection lives in the companion file; without it, plain POP3.
    const OptionsFile options = OptionsFile::load(QFileInfo(path).absolutePath());
    model.optionsProblem = options.problem();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadOutcome::PathA;
    SettingsFieldReader reader(file.readAll());
    file.close();

    FieldSink profiles(reader);
    if (!readProfiles(profiles, model))
        return LoadOutcome::PathA;
    for (ServerProfile& p : model.profiles)
        if (p.isComplete())
            p.Enabled = true;
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n)
        model.profile(n).Connection = options.connection(n);

    FieldSink globals(reader);
    return readGlobals(globals, model.global) ? LoadOutcome::Complete : LoadOutcome::PathB;
}

QByteArray settingsFileBytes(const SettingsModel& model)
{
    LineWriter out;
    for (const ServerProfile& p : model.profiles) {
        out.text(p.Port)
            .text(Encrypt(p.Server, kHostKey))
            .text(Encrypt(p.Id, kUserKey))
            .text(Encrypt(p.PassWd, kPasswordKey))
            .endLine();
    }
    for (const ServerProfile& p : model.profiles) {
        out.texts(p.SubjectWords, 0).endLine();
        out.texts(p.SubjectWords, 5).endLine();
        out.integer(p.RuleUnsolicited)
            .integer(p.RuleNoJapanese)
            .integer(p.RuleSubjectWords)
            .endLine();
        out.texts(p.SenderWords, 0).endLine();
        out.texts(p.SenderWords, 5).endLine();
        out.integer(p.RuleSenderWords)
            .integer(p.RuleNotToMe)
            .text(p.MyAddress)
            .integer(p.RuleNotCcMe)
            .endLine();
    }
    const GlobalSettings& g = model.global;
    out.integer(g.IntCheck)
        .integer(g.TimePosition)
        .integer(g.CleanCond1)
        .integer(g.CleanCond2)
        .integer(g.MainSubjectRule)
        .integer(g.MainSenderRule)
        .text(g.MainSubjectWords)
        .text(g.MainSenderWords)
        .integer(g.MailSoftSelect)
        .integer(g.ClearLogAtStart)
        .endLine();
    return out.bytes();
}

std::optional<UnstorableField> findUnstorableField(const SettingsModel& model)
{
    struct Field
    {
        int profile;
        QString name;
        const QString* text;
        bool scrambled;
    };
    std::vector<Field> fields;
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
        const ServerProfile& p = model.profile(n);
        fields.push_back({n, QStringLiteral("Port"), &p.Port, false});
        fields.push_back({n, QStringLiteral("Server"), &p.Server, true});
        fields.push_back({n, QStringLiteral("Id"), &p.Id, true});
        fields.push_back({n, QStringLiteral("PassWd"), &p.PassWd, true});
        for (int i = 0; i < ServerProfile::kWordCount; ++i)
            fields.push_back(
                {n, QStringLiteral("SubjectWords[%1]").arg(i), &p.SubjectWords[i], false});
        for (int i = 0; i < ServerProfile::kWordCount; ++i)
            fields.push_back(
                {n, QStringLiteral("SenderWords[%1]").arg(i), &p.SenderWords[i], false});
        fields.push_back({n, QStringLiteral("MyAddress"), &p.MyAddress, false});
    }
    fields.push_back(
        {0, QStringLiteral("MainSubjectWords"), &model.global.MainSubjectWords, false});
    fields.push_back({0, QStringLiteral("MainSenderWords"), &model.global.MainSenderWords, false});

    for (const Field& f : fields)
        if (const auto reason = unstorableReason(*f.text, f.scrambled))
            return UnstorableField{f.profile, f.name, *reason};
    return std::nullopt;
}

QString UnstorableField::message() const
{
    return QStringLiteral("%1に%2。\nこの内容は保存できません。")
        .arg(fieldCaption(profile, field), reason);
}

WriteResult SetDataWrite(const QString& path, const SettingsModel& model)
{
    if (const auto refused = findUnstorableField(model))
        return {false, refused->message()};
    // Written beside the old file and renamed into place: a failure leaves it whole.
    QSaveFile file(path);
    const auto failed = [&path, &file] {
        return WriteResult{false, saveFailureMessage(path, file.errorString())};
    };
    if (!file.open(QIODevice::WriteOnly) || !makeOwnerOnly(file))
        return failed();
    const QByteArray bytes = settingsFileBytes(model);
    if (file.write(bytes) != bytes.size())
        return failed();
    if (!file.commit())
        return failed();
    return {};
}

std::optional<QString> keepUnreadFile(const QString& path)
{
    QFile original(path);
    if (!original.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = original.readAll();
    if (bytes.isEmpty())
        return std::nullopt; // nothing to lose
    for (int n = 1;; ++n) {
        const QString kept =
            path + QStringLiteral(".bad") + (n > 1 ? QString::number(n) : QString());
        QFile earlier(kept);
        if (!earlier.exists()) {
            if (!original.copy(kept))
                return std::nullopt;
            QFile copy(kept);
            makeOwnerOnly(copy);
            return kept;
        }
        if (earlier.open(QIODevice::ReadOnly) && earlier.readAll() == bytes)
            return std::nullopt; // already kept by an earlier start
    }
}
