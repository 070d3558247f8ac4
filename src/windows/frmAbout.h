// The about window: name, version and the maker's web pages.
#pragma once

#include "platform/Forms.h"

class QGroupBox;
class QLabel;
class QPushButton;

// Addresses of the web pages the about window opens.
namespace AboutPages {
inline constexpr const char* kHome = "https://www.example.com/";
inline constexpr const char* kHomeText = "www.example.com";
inline constexpr const char* kZandrel = "https://www.example.com/zandrel";
inline constexpr const char* kSensors = "https://www.example.com/temperature-sensors";
} // namespace AboutPages

class frmAbout : public Form {
    Q_OBJECT
public:
    frmAbout();
    void Form_Load() override;

    void cmdOK_Click();
    void Label6_Click();
    void lblZandrelInfo_Click();
    void lblSensorInfo_Click();

    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* lblZandrelInfo = nullptr;
    QLabel* lblSensorInfo = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Opens a web page in the user's browser; failures are ignored. Replaceable for tests.
void OpenWebPage(const QString& address);
void SetWebPageOpener(std::function<bool(const QString&)> opener);
void LoadAboutForm();
