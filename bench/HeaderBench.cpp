// What a session does with 1,000 realistic TOP replies of about 1.5 KB each: the
// reply's bytes read through code page 932, the four fields extracted and decoded
// into the header store, then the rules; items_per_second is headers per second on
// one core.

#include "platform/Codepage.h"
#include "pop3/Base64_shiftJIS.h"
#include "pop3/HeaderStore.h"
#include "rules/DeletionRules.h"

#include <QStringEncoder>

#include <array>
#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

constexpr int kHeaders = 1000;

const std::array<const char16_t*, 8> kJapaneseSubjects = {
    u"【重要】ご請求書のお知らせ",
    u"会議資料の送付について",
    u"未承諾広告※今だけ半額キャンペーン実施中",
    u"Re: 来週の打ち合わせ日程のご相談",
    u"【サンプル市場】ご注文内容の確認（自動配信メール）",
    u"パスワード変更のお願い",
    u"ｾｰﾙ開催のお知らせ",
    u"お問い合わせありがとうございます",
};
const std::array<const char16_t*, 6> kNames = {
    u"山田太郎", u"佐藤花子", u"株式会社サンプル商事", u"鈴木一郎", u"サポートセンター", u"田中",
};
const std::array<const char*, 5> kAsciiSubjects = {
    "Your invoice is ready",
    "Re: weekly report",
    "Limited offer: 90% off today only",
    "[dev-list] Build failed on main",
    "Meeting notes 2024-03-04",
};

class HeaderFactory
{
public:
    QByteArray make(int index)
    {
        QByteArray h = "+OK\r\n";
        h += "Return-Path: <" + sender(index) + ">\r\n";
        h += "Delivered-To: taro@example.com\r\n";
        const int hops = 2 + static_cast<int>(m_random() % 3);
        for (int hop = 0; hop < hops; ++hop)
            h += received(hop);
        h += dkim();
        h += "Authentication-Results: mx.example.com; dkim=pass header.d=example.jp;\r\n"
             "\tspf=pass smtp.mailfrom=" +
             sender(index) + "; dmarc=pass header.from=example.jp\r\n";
        h += "Date: Mon, 04 Mar 2024 09:12:" + QByteArray::number(10 + index % 50) + " +0900\r\n";
        h += "From: " + encodedName(index) + " <" + sender(index) + ">\r\n";
        h += index % 7 == 0 ? "To: undisclosed-recipients:;\r\n"
                            : "To: " + encodedName(index + 1) + " <Taro@Example.com>\r\n";
        if (index % 3 == 0)
            h += "Cc: hanako@example.com,\r\n jiro@example.com\r\n";
        h += "Subject: " + subject(index) + "\r\n";
        h += "Message-ID: <" + QByteArray::number(20240304091240LL + index) + ".x@example.jp>\r\n";
        h += "MIME-Version: 1.0\r\n"
             "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
             "Content-Transfer-Encoding: 7bit\r\n"
             "X-Mailer: Sample Mailer 4.2\r\n"
             "\r\n.\r\n";
        return h;
    }

private:
    QByteArray sender(int index) const
    {
        return "news" + QByteArray::number(index % 40) + "@example.jp";
    }

    QByteArray received(int hop)
    {
        return "Received: from relay" + QByteArray::number(hop) +
               ".example.net (relay.example.net [192.0.2." + QByteArray::number(m_random() % 250) +
               "])\r\n\tby mx.example.com (Postfix) with ESMTPS id 4TpQ3x" +
               QByteArray::number(m_random() % 100000) +
               "\r\n\tfor <taro@example.com>; Mon, 04 Mar 2024 09:12:43 +0900 (JST)\r\n";
    }

    QByteArray dkim()
    {
        QByteArray b;
        for (int i = 0; i < 3; ++i)
            b += "\t" + QByteArray::number(m_random(), 36).repeated(8).left(64) + "\r\n";
        return "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.jp; s=s1;\r\n"
               "\th=from:to:subject:date:message-id; bh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJ=;\r\n"
               "\tb=\r\n" +
               b;
    }

    // Japanese text as mailers write it: ISO-2022-JP in B words of at most 30 bytes,
    // cut anywhere (escape sequences included), folded; sometimes UTF-8 or raw JIS.
    QByteArray encoded(const char16_t* text, int style)
    {
        const QString s = QString::fromUtf16(text);
        if (style == 1)
            return "=?UTF-8?B?" + s.toUtf8().toBase64() + "?=";
        QStringEncoder encoder("ISO-2022-JP");
        QByteArray jis = encoder.encode(s);
        if (encoder.hasError()) // half-width katakana: mailers send those in UTF-8
            return "=?UTF-8?B?" + s.toUtf8().toBase64() + "?=";
        if (jis.contains('\x1b') && !jis.endsWith("\x1b(B"))
            jis += "\x1b(B"; // the converter leaves the return to ASCII out

        if (style == 2)
            return jis;
        QByteArray words;
        for (qsizetype at = 0; at < jis.size(); at += 30)
            words += (at ? "\r\n =?ISO-2022-JP?B?" : "=?ISO-2022-JP?B?") +
                     jis.mid(at, 30).toBase64() + "?=";
        return words;
    }

    QByteArray encodedName(int index)
    {
        return encoded(kNames[index % kNames.size()], index % 5 == 0 ? 1 : 0);
    }

    QByteArray subject(int index)
    {
        if (index % 4 == 3)
            return kAsciiSubjects[index % kAsciiSubjects.size()];
        const int style = index % 10 == 1 ? 1 : index % 10 == 2 ? 2 : 0;
        return encoded(kJapaneseSubjects[index % kJapaneseSubjects.size()], style);
    }

    std::mt19937 m_random{20240304};
};

const std::vector<QByteArray>& headers()
{
    static const std::vector<QByteArray> all = [] {
        HeaderFactory factory;
        std::vector<QByteArray> made;
        for (int i = 0; i < kHeaders; ++i)
            made.push_back(factory.make(i));
        return made;
    }();
    return all;
}

RuleSet typicalRules()
{
    RuleSet rules;
    rules.RuleNoJapanese = 1;
    rules.RuleUnsolicited = 1;
    rules.MyAddress = QStringLiteral("taro@example.com");
    rules.RuleNotToMe = 1;
    rules.RuleSubjectWords = 1;
    rules.SubjectWords[0] = QStringLiteral("キャンペーン");
    rules.SubjectWords[1] = QStringLiteral("半額");
    rules.RuleSenderWords = 1;
    rules.SenderWords[0] = QStringLiteral("news13@");
    return rules;
}

void setCounters(benchmark::State& state)
{
    qint64 bytes = 0;
    for (const QByteArray& h : headers())
        bytes += h.size();
    state.SetItemsProcessed(state.iterations() * kHeaders);
    state.counters["avg_header_bytes"] = static_cast<double>(bytes) / kHeaders;
}

void BM_ReplyToVerdict(benchmark::State& state)
{
    const RuleSet rules = typicalRules();
    HeaderStore store;
    std::vector<MessageFields> messages(kHeaders);
    int marked = 0;
    int undecoded = 0; // subjects that came out empty: a fault in the generator or decoder
    for (auto _ : state) {
        undecoded = 0;
        for (int n = 1; n <= kHeaders; ++n) {
            store.HeaderText(n) = platform::decodeCp932(headers()[n - 1]);
            store.storeFields(n);
            messages[n - 1] = store.fields(n);
            undecoded += store.MailSubject(n).isEmpty() ? 1 : 0;
        }
        marked = static_cast<int>(EvaluateDeletionRules(rules, messages).EraseList.size());
        benchmark::DoNotOptimize(marked);
    }
    setCounters(state);
    state.counters["marked"] = marked;
    state.counters["empty_subjects"] = undecoded;
}
BENCHMARK(BM_ReplyToVerdict);

const std::vector<QString>& replyTexts()
{
    static const std::vector<QString> texts = [] {
        std::vector<QString> all;
        for (const QByteArray& h : headers())
            all.push_back(platform::decodeCp932(h));
        return all;
    }();
    return texts;
}

void BM_Cp932Only(benchmark::State& state)
{
    for (auto _ : state) {
        for (const QByteArray& h : headers())
            benchmark::DoNotOptimize(platform::decodeCp932(h));
    }
    setCounters(state);
}
BENCHMARK(BM_Cp932Only);

void BM_ExtractOnly(benchmark::State& state)
{
    for (auto _ : state) {
        for (const QString& h : replyTexts()) {
            benchmark::DoNotOptimize(ExtractHeaderField(h, QStringLiteral("Subject:")));
            benchmark::DoNotOptimize(ExtractHeaderField(h, QStringLiteral("From:")));
            benchmark::DoNotOptimize(ExtractHeaderField(h, QStringLiteral("To:")));
            benchmark::DoNotOptimize(ExtractHeaderField(h, QStringLiteral("Cc:")));
        }
    }
    setCounters(state);
}
BENCHMARK(BM_ExtractOnly);

void BM_DecodeOnly(benchmark::State& state)
{
    std::vector<QString> values;
    for (const QString& h : replyTexts()) {
        for (const char* name : {"Subject:", "From:", "To:", "Cc:"})
            values.push_back(ExtractHeaderField(h, QString::fromLatin1(name)));
    }
    for (auto _ : state) {
        for (const QString& v : values)
            benchmark::DoNotOptimize(DecodeHeaderText(v));
    }
    setCounters(state);
}
BENCHMARK(BM_DecodeOnly);

} // namespace

BENCHMARK_MAIN();
