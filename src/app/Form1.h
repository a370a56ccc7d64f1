#pragma once

#include <QWidget>

#include <array>

class Form1Model;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class RunController;

// The main window "Post Sweep": the interval and end-of-run options, the log
// option, the hidden rule frame and the command buttons. It shows its model and
// forwards clicks; what they mean is the model's and run control's business.
// Without a notification area, a main window that is to be hidden is minimised
// instead, so that the user can always get it back.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    Form1(Form1Model& model, RunController& controller, bool hideToNotificationArea,
          QWidget* parent = nullptr);

    // Places the window in the middle of its screen.
    void centreOnScreen();
    // Out of view means hidden into the notification area from now on; a window
    // minimised meanwhile goes there at once.
    void setHideToNotificationArea(bool hide);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createOptionFrames();
    void createRuleFrame();
    void createCommands();
    void createLayout();
    void createShortcuts();
    void connectControls();
    void showModel();
    void showWindowState();

    Form1Model& m_model;
    RunController& m_controller;
    bool m_hideToNotificationArea;
    bool m_shown = false;
    bool m_topmost = true;

    QGroupBox* m_intervalFrame = nullptr;
    std::array<QRadioButton*, 6> m_option1{};
    QButtonGroup* m_option1Group = nullptr;
    QCheckBox* m_check1 = nullptr;
    QCheckBox* m_previewOnly = nullptr;
    QCheckBox* m_keepCopies = nullptr;
    QGroupBox* m_frame5 = nullptr;
    std::array<QRadioButton*, 3> m_option2{};
    QButtonGroup* m_option2Group = nullptr;
    QGroupBox* m_logFrame = nullptr;
    QCheckBox* m_check5 = nullptr;
    QGroupBox* m_ruleFrame = nullptr;
    QCheckBox* m_check2 = nullptr;
    QCheckBox* m_check3 = nullptr;
    QCheckBox* m_check4 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QPushButton* m_command3 = nullptr;
    QPushButton* m_command4 = nullptr;
    QPushButton* m_command5 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_help = nullptr;
    QPushButton* m_deletedMail = nullptr;
    QPushButton* m_command2 = nullptr;
};
