#pragma once

#include <QWidget>

#include <functional>
#include <vector>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLineEdit;
struct ServerProfile;

// One tab of the settings dialog: the server frame and the rule frame of profile
// `number`, every control named as the profile's field and bound to it, so an edit
// goes straight into the live settings.
class ProfilePage : public QWidget
{
    Q_OBJECT
public:
    ProfilePage(int number, ServerProfile& profile, QWidget* parent = nullptr);

    // Puts the profile's current values into the controls.
    void reload();

private:
    QGroupBox* createServerFrame();
    QHBoxLayout* createConnectionRow(QWidget* frame);
    QHBoxLayout* createPinRow(QWidget* frame);
    QGroupBox* createRuleFrame();
    QGroupBox* createSubjectFrame();
    QGroupBox* createSenderFrame();
    QGroupBox* createRecipientFrame();
    QGroupBox* createAllowFrame();

    QLineEdit* boundText(const QString& name, QString& field);
    QCheckBox* boundCheck(const QString& name, const QString& caption, qint16& value);
    // Ten boxes in two columns of five; shown exactly while `rule` is not clear.
    void addWordList(QGridLayout* grid, int firstRow, const QString& prefix,
                     std::array<QString, 10>& words, QCheckBox* rule, const QString& label);

    const int m_number;
    ServerProfile& m_profile;
    std::vector<std::function<void()>> m_loaders;
};
