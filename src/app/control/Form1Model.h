#pragma once

#include "settings/GlobalSettings.h"

#include <QObject>
#include <QString>

// The main window Form1 as plain state: the values of its check boxes (0 clear,
// 1 set, 2 grey), option groups and text boxes, and which controls are shown or
// enabled. A value setter that changes its value runs the control's click
// handling, which keeps the run-control variables of the global settings in step
// with the controls, so that whoever saves the settings writes what is shown.
class Form1Model : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalOptions = 6;
    static constexpr int kMailSoftOptions = 3;

    explicit Form1Model(GlobalSettings& global, QObject* parent = nullptr);

    qint16 Check1() const { return m_check1; }
    qint16 Check2() const { return m_check2; }
    qint16 Check3() const { return m_check3; }
    qint16 Check4() const { return m_check4; }
    qint16 Check5() const { return m_check5; }
    int Option1() const { return m_option1; }
    int Option2() const { return m_option2; }
    const QString& Text1() const { return m_text1; }
    const QString& Text2() const { return m_text2; }

    void setCheck1(qint16 value); // IntCheck; run once when not 0
    void setCheck2(qint16 value); // captured into CleanCond1 only at exit
    void setCheck3(qint16 value); // MainSubjectRule; Text1 shown when not 0
    void setCheck4(qint16 value); // MainSenderRule; Text2 shown when not 0
    void setCheck5(qint16 value); // ClearLogAtStart
    void setOption1(int index);   // TimePosition
    void setOption2(int index);   // MailSoftSelect
    void setText1(const QString& text);
    void setText2(const QString& text);

    // 確認のみ: runs judge and log, and delete nothing. Kept in the options file.
    bool previewOnly() const { return m_previewOnly; }
    void setPreviewOnly(bool on);
    // A copy of each message is kept before it is deleted. Kept in the options file.
    bool keepCopies() const { return m_keepCopies; }
    void setKeepCopies(bool on);

    // What the check boxes imply for the other controls.
    bool option1Enabled() const { return m_check1 == 0; }
    bool frame5Visible() const { return m_check1 != 0; }
    bool text1Visible() const { return m_check3 != 0; }
    bool text2Visible() const { return m_check4 != 0; }

    // The run state as the window shows it: caption, 実行 and サーバ設定 enabled,
    // 継続 and 中止 visible.
    const QString& caption() const { return m_caption; }
    bool startCommandsEnabled() const { return m_startCommandsEnabled; }
    bool runCommandsVisible() const { return m_runCommandsVisible; }
    void showRunning(); // "PostSweep 実行中"
    void showStopped(); // "PostSweep"

    bool mainWindowVisible() const { return m_mainWindowVisible; }
    void setMainWindowVisible(bool visible);
    bool topmost() const { return m_topmost; }
    void setTopmost(bool topmost);
    // Shows the main window and puts it in front of other windows, topmost or not.
    void bringToFront();

    // The captions of Option2(0) and Option2(1): the fixed program names on
    // Windows, elsewhere the name of the one program that both start.
    QString option2Caption(int index) const;
    bool option2Visible(int index) const;
    void setMailProgramName(const QString& name);

Q_SIGNALS:
    void changed();
    void broughtToFront();
    void previewOnlyChanged(bool on);
    void keepCopiesChanged(bool on);

private:
    template <typename T> void assign(T& member, const T& value);

    GlobalSettings& m_global;
    qint16 m_check1 = 0;
    qint16 m_check2 = 0;
    qint16 m_check3 = 0;
    qint16 m_check4 = 0;
    qint16 m_check5 = 0;
    int m_option1 = 0;
    int m_option2 = 0;
    QString m_text1;
    QString m_text2;
    bool m_previewOnly = false;
    bool m_keepCopies = true;
    QString m_caption;
    bool m_startCommandsEnabled = true;
    bool m_runCommandsVisible = false;
    bool m_mainWindowVisible = false;
    bool m_topmost = true;
    QString m_mailProgramName;
};
