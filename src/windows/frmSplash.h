// The splash window shown while the board is brought up.
#pragma once

#include "platform/Forms.h"

class QLabel;

class frmSplash : public Form {
    Q_OBJECT
public:
    frmSplash();
    void Form_Load() override;

    // The bring-up drives the progress bar (width in twips) and the progress text.
    float ProgressTwips() const { return mProgressTwips; }
    void SetProgressTwips(float twips);
    void ShowProgressText(const QString& text);
    // Sets the first text and makes the bar and the text visible.
    void StartProgress(const QString& text);

    QLabel* Image2 = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblProgInfo = nullptr;
    QLabel* lblProgress = nullptr;

private:
    float mProgressTwips = 5415;
};

// Our own 544 x 378 splash picture.
class QPixmap;
QPixmap SplashPicture();
