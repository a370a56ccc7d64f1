#include "app/control/Form1Model.h"

Form1Model::Form1Model(GlobalSettings& global, QObject* parent)
    : QObject(parent), m_global(global), m_caption(QStringLiteral("Post Sweep"))
{}

template <typename T> void Form1Model::assign(T& member, const T& value)
{
    if (member == value)
        return;
    member = value;
    Q_EMIT changed();
}

void Form1Model::setCheck1(qint16 value)
{
    if (value == m_check1)
        return;
    m_global.IntCheck = value;
    assign(m_check1, value);
}

void Form1Model::setCheck2(qint16 value)
{
    assign(m_check2, value);
}

void Form1Model::setCheck3(qint16 value)
{
    m_global.MainSubjectRule = value;
    assign(m_check3, value);
}

void Form1Model::setCheck4(qint16 value)
{
    m_global.MainSenderRule = value;
    assign(m_check4, value);
}

void Form1Model::setCheck5(qint16 value)
{
    m_global.ClearLogAtStart = value;
    assign(m_check5, value);
}

void Form1Model::setPreviewOnly(bool on)
{
    if (on == m_previewOnly)
        return;
    assign(m_previewOnly, on);
    Q_EMIT previewOnlyChanged(on);
}

void Form1Model::setKeepCopies(bool on)
{
    if (on == m_keepCopies)
        return;
    assign(m_keepCopies, on);
    Q_EMIT keepCopiesChanged(on);
}

// An option button's click sets its variable even when the button was already
// selected, so a stored index outside the group is replaced by the user's choice.
void Form1Model::setOption1(int index)
{
    if (index < 0 || index >= kIntervalOptions)
        return;
    m_global.TimePosition = static_cast<qint16>(index);
    assign(m_option1, index);
}

void Form1Model::setOption2(int index)
{
    if (index < 0 || index >= kMailSoftOptions)
        return;
    m_global.MailSoftSelect = static_cast<qint16>(index);
    assign(m_option2, index);
}

void Form1Model::setText1(const QString& text)
{
    m_global.MainSubjectWords = text;
    assign(m_text1, text);
}

void Form1Model::setText2(const QString& text)
{
    m_global.MainSenderWords = text;
    assign(m_text2, text);
}

void Form1Model::showRunning()
{
    m_caption = QStringLiteral("PostSweep 実行中");
    m_startCommandsEnabled = false;
    m_runCommandsVisible = true;
    Q_EMIT changed();
}

void Form1Model::showStopped()
{
    m_caption = QStringLiteral("PostSweep");
    m_startCommandsEnabled = true;
    m_runCommandsVisible = false;
    Q_EMIT changed();
}

void Form1Model::setMainWindowVisible(bool visible)
{
    assign(m_mainWindowVisible, visible);
}

void Form1Model::setTopmost(bool topmost)
{
    assign(m_topmost, topmost);
}

void Form1Model::bringToFront()
{
    setMainWindowVisible(true);
    Q_EMIT broughtToFront();
}

void Form1Model::setMailProgramName(const QString& name)
{
    assign(m_mailProgramName, name);
}

QString Form1Model::option2Caption(int index) const
{
#ifdef Q_OS_WIN
    static const char16_t* const fixed[] = {u"OutLookExpress", u"OutLook"};
    if (index == 0 || index == 1)
        return QString::fromUtf16(fixed[index]);
#else
    if (index == 0 || index == 1)
        return m_mailProgramName.isEmpty() ? QStringLiteral("メールソフト（見つかりません）")
                                           : m_mailProgramName;
#endif
    return QStringLiteral("起動せずそのまま終了");
}

// Outside Windows both buttons start the same program: the second one shows
// only while a stored setting has it selected.
bool Form1Model::option2Visible(int index) const
{
#ifdef Q_OS_WIN
    return true;
#else
    return index != 1 || m_option2 == 1;
#endif
}
