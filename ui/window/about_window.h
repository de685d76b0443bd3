// The About window: icon, name and version.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tessivo {

inline const char* const kAboutTitle = "Tessivo 2.3";

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

    // Size for the screen density: 430 x 320 at 120 dots per inch, else the
    // designed 376 x 286.
    static QSize sizeForDpi(int dpi);
    void prepareToShow();

    QLabel* iconLabel;
    QLabel* titleShadowLabel; // silver shadow
    QLabel* titleLabel;       // navy title
    QPushButton* okButton;

protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace tessivo
