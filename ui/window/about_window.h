// The About window: icon, name and version.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tessivo {

inline const char* const kAboutTitle = "Tessivo 2.3";

class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* parent = nullptr);

    // Size for the screen density: 430 x 320 at 120 dots per inch, else the
    // designed 376 x 286.
    static QSize SizeForDpi(int dpi);
    void FormShow();

    QLabel* ImageAbout;
    QLabel* Lab0; // silver shadow
    QLabel* Lab1; // navy title
    QPushButton* BtnOK;

protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace tessivo
