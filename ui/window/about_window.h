// The About window: icon, name and version, the licence and the versions of
// the libraries the program runs on.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tessivo {

// The program's version, as the build set it ("2.3").
QString ProgramVersion();
// "Tessivo " and the version: the About title and the window program's name
// and version.
QString ProgramTitle();

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

    // Least size for the screen density: 430 x 320 at 120 dots per inch, else
    // the designed 376 x 286; larger when the font needs it.
    static QSize sizeForDpi(int dpi);
    void prepareToShow();
    // The sound libraries' names and versions, which the window layer cannot
    // ask for itself; shown after Qt's and the decoder's.
    void setAudioLibraries(const QString& text);

    QLabel* iconLabel;
    QLabel* titleShadowLabel; // silver shadow
    QLabel* titleLabel;       // navy title
    QLabel* infoLabel;        // version, licence, library versions
    QPushButton* okButton;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void showInfo();
    QString audioLibraries_;
};

} // namespace tessivo
