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

class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* parent = nullptr);

    // Size for the screen density: 430 x 320 at 120 dots per inch, else the
    // designed 376 x 286.
    static QSize SizeForDpi(int dpi);
    void FormShow();
    // The sound libraries' names and versions, which the window layer cannot
    // ask for itself; shown after Qt's and the decoder's.
    void SetAudioLibraries(const QString& text);

    QLabel* ImageAbout;
    QLabel* Lab0;    // silver shadow
    QLabel* Lab1;    // navy title
    QLabel* LabInfo; // version, licence, library versions
    QPushButton* BtnOK;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ShowInfo();
    QString audioLibraries_;
};

} // namespace tessivo
