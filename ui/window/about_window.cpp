#include "ui/window/about_window.h"

#include "core/output/part_tag.h"
#include "core/playback/mpg123_decoder.h"
#include "ui/view/wave_renderer.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace tessivo {

namespace {

// The program icon: a waveform with a cut line through it.
QPixmap ProgramIcon() {
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(215, 208, 195));
    p.setPen(QColor(50, 50, 80));
    p.drawRoundedRect(2, 6, 44, 36, 5, 5);
    const int heights[] = {4, 9, 14, 7, 12, 16, 10, 5, 13, 8, 15, 6, 11, 4};
    p.setPen(QPen(QColor(30, 30, 130), 2));
    for (int i = 0; i < 14; ++i)
        p.drawLine(6 + i * 3, 24 - heights[i], 6 + i * 3, 24 + heights[i]);
    p.setPen(QPen(QColor(100, 100, 255), 2));
    p.drawLine(27, 4, 27, 44);
    return pm;
}

} // namespace

QString ProgramVersion() {
    return QStringLiteral(TESSIVO_VERSION);
}

QString ProgramTitle() {
    return QStringLiteral("Tessivo ") + ProgramVersion();
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tessivo"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(376, 286);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, BackColor);
    setPalette(pal);
    setAutoFillBackground(true);

    iconLabel = new QLabel(this);
    iconLabel->setGeometry(16, 16, 48, 48);
    iconLabel->setPixmap(ProgramIcon());

    QFont title = QApplication::font();
    title.setPixelSize(23);
    title.setBold(true);
    auto makeTitle = [&](int x, int y, const QColor& c) {
        auto* l = new QLabel(ProgramTitle(), this);
        l->setFont(title);
        QPalette lp = l->palette();
        lp.setColor(QPalette::WindowText, c);
        l->setPalette(lp);
        l->setAttribute(Qt::WA_TranslucentBackground);
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    titleShadowLabel = makeTitle(91, 26, QColor(192, 192, 192));
    titleLabel = makeTitle(90, 25, QColor(0, 0, 128)); // over the silver copy: a shadowed title

    infoLabel = new QLabel(this);
    infoLabel->setGeometry(16, 80, 344, 112);
    infoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    infoLabel->setWordWrap(true);
    infoLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    showInfo();

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setGeometry(146, 202, 75, 27);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    setWindowIcon(QIcon(ProgramIcon()));
}

void AboutWindow::setAudioLibraries(const QString& text) {
    audioLibraries_ = text;
    showInfo();
}

void AboutWindow::showInfo() {
    QString libraries = QStringLiteral("Qt ") + QString::fromLatin1(qVersion()) +
                        QStringLiteral(", ") + QString::fromStdString(Mpg123LibraryVersion()) +
                        QStringLiteral(", ") + QString::fromStdString(TagLibVersion());
    if (!audioLibraries_.isEmpty())
        libraries += QStringLiteral(", ") + audioLibraries_;
    infoLabel->setText(QStringLiteral("Version ") + ProgramVersion() +
                       QStringLiteral("\n\nLicence: GNU General Public License, version 3 or later "
                                      "(GPL-3.0-or-later)\n\nRunning on ") +
                       libraries);
}

QSize AboutWindow::sizeForDpi(int dpi) {
    return dpi == 120 ? QSize(430, 320) : QSize(376, 286);
}

void AboutWindow::prepareToShow() {
    const int dpi = screen() ? int(screen()->logicalDotsPerInch() + 0.5) : 96;
    setFixedSize(sizeForDpi(dpi));
    if (parentWidget()) {
        const QRect pr = parentWidget()->frameGeometry();
        move(pr.center() - QPoint(width() / 2, height() / 2));
    }
}

void AboutWindow::showEvent(QShowEvent* e) {
    prepareToShow();
    QDialog::showEvent(e);
}

} // namespace tessivo
