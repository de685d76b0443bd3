#include "ui/window/about_window.h"

#include "core/decode/mpg123_decoder.h"
#include "core/output/part_tag.h"
#include "ui/view/wave_renderer.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
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
    setWindowTitle(tr("About Tessivo"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    SetSchemeBackground(this, BackColor, BackgroundRoles::Window);

    iconLabel = new QLabel(this);
    iconLabel->setPixmap(ProgramIcon());
    iconLabel->setFixedSize(48, 48);

    // The navy title over a silver copy one pixel down and right: a shadow.
    auto* titleBox = new QWidget(this);
    QFont title = QApplication::font();
    title.setPixelSize(23);
    title.setBold(true);
    auto makeTitle = [&](int offset, const QColor& c) {
        auto* l = new QLabel(ProgramTitle(), titleBox);
        l->setFont(title);
        QPalette lp = l->palette();
        lp.setColor(QPalette::WindowText, c);
        l->setPalette(lp);
        l->setAttribute(Qt::WA_TranslucentBackground);
        l->move(offset, offset);
        l->adjustSize();
        return l;
    };
    titleShadowLabel = makeTitle(1, QColor(192, 192, 192));
    titleLabel = makeTitle(0, QColor(0, 0, 128));
    titleBox->setFixedSize(titleLabel->size() + QSize(1, 1));

    infoLabel = new QLabel(this);
    infoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    infoLabel->setWordWrap(true);
    infoLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    infoLabel->setMinimumWidth(344);

    okButton = new QPushButton(tr("OK"), this);
    okButton->setMinimumSize(75, 27);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(okButton, QDialogButtonBox::AcceptRole);
    buttons->setCenterButtons(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setHorizontalSpacing(26);
    grid->setVerticalSpacing(12);
    grid->addWidget(iconLabel, 0, 0);
    grid->addWidget(titleBox, 0, 1, Qt::AlignLeft | Qt::AlignVCenter);
    grid->addWidget(infoLabel, 1, 0, 1, 2);
    grid->setRowStretch(2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);
    showInfo();
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
    infoLabel->setText(tr("Version ") + ProgramVersion() +
                       tr("\n\nLicence: GNU General Public License, version 3 or later "
                          "(GPL-3.0-or-later)\n\nRunning on ") +
                       libraries);
    // Every wrapped line shows: the label is as tall as its text at its width.
    infoLabel->setMinimumHeight(infoLabel->heightForWidth(infoLabel->minimumWidth()));
}

QSize AboutWindow::sizeForDpi(int dpi) {
    return dpi == 120 ? QSize(430, 320) : QSize(376, 286);
}

void AboutWindow::prepareToShow() {
    const int dpi = screen() ? int(screen()->logicalDotsPerInch() + 0.5) : 96;
    // The designed size, or more where the font needs it.
    const QSize size = sizeForDpi(dpi).expandedTo(minimumSizeHint());
    setFixedSize(size);
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
