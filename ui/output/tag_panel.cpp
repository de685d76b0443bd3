#include "ui/output/tag_panel.h"

#include "core/output/id3v1_tag.h"
#include "core/parts/part_access.h"
#include "core/parts/prepare.h"
#include "ui/document/core_text.h"
#include "ui/parts/number_key_filter.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

namespace tessivo {

namespace {

const QColor kGreyCaption(100, 100, 100);
const QColor kSetCaption(90, 90, 90);
constexpr int kThumbnailSize = 64;

} // namespace

TagPanel::TagPanel(Document& doc, QWidget* parent)
    : QGroupBox(parent), doc_(doc), st_(doc.State()) {
    setObjectName(QStringLiteral("tagPanel"));
    createEdits();
    layOutEdits();
    fillGenreBox();
    lastYear_ = yearEdit->text();
    lastTrack_ = trackEdit->text();
    connectEdits();
    setCaption(kGreyCaption);
}

void TagPanel::createEdits() {
    partNameLabel = new QLabel(this);
    partNameLabel->setObjectName(QStringLiteral("partNameLabel"));
    titleEdit = new QLineEdit(this);
    artistEdit = new QLineEdit(this);
    albumEdit = new QLineEdit(this);
    genreCombo = new QComboBox(this);
    yearEdit = new QLineEdit(this);
    trackEdit = new QLineEdit(this);
    commentEdit = new QLineEdit(this);
    // Made in the order they are read, which is the Tab order.
    applyAllButton = new QPushButton(tr("Apply to all parts"), this);
    applyAllButton->setObjectName(QStringLiteral("applyAllButton"));
    applyAllButton->setToolTip(tr("Give every part the artist, album, year and genre shown here"));
    setButton = new QPushButton(tr("Set"), this);
    setButton->setToolTip(tr("Set ID3 Tags"));
    titleEdit->setObjectName(QStringLiteral("titleEdit"));
    artistEdit->setObjectName(QStringLiteral("artistEdit"));
    albumEdit->setObjectName(QStringLiteral("albumEdit"));
    genreCombo->setObjectName(QStringLiteral("genreCombo"));
    yearEdit->setObjectName(QStringLiteral("yearEdit"));
    trackEdit->setObjectName(QStringLiteral("trackEdit"));
    commentEdit->setObjectName(QStringLiteral("commentEdit"));
    setButton->setObjectName(QStringLiteral("setButton"));
    pictureLabel = new QLabel(this);
    pictureLabel->setObjectName(QStringLiteral("pictureLabel"));
    pictureLabel->setToolTip(tr("Picture"));
    pictureLabel->hide();
    yearEdit->setMaximumWidth(50);
    trackEdit->setMaximumWidth(40);
}

void TagPanel::layOutEdits() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(tr("ID3 Tags:"), this), 0, 0);
    grid->addWidget(partNameLabel, 0, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Title"), this), 1, 0);
    grid->addWidget(titleEdit, 1, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Artist"), this), 2, 0);
    grid->addWidget(artistEdit, 2, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Album"), this), 3, 0);
    grid->addWidget(albumEdit, 3, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Genre"), this), 4, 0);
    grid->addWidget(genreCombo, 4, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Year"), this), 5, 0);
    grid->addWidget(yearEdit, 5, 1);
    grid->addWidget(new QLabel(tr("Track"), this), 5, 2, Qt::AlignRight);
    grid->addWidget(trackEdit, 5, 3);
    grid->addWidget(new QLabel(tr("Comment"), this), 6, 0);
    grid->addWidget(commentEdit, 6, 1, 1, 3);
    grid->addWidget(pictureLabel, 7, 1, Qt::AlignLeft);
    grid->addWidget(applyAllButton, 7, 2);
    grid->addWidget(setButton, 7, 3);
    grid->setRowStretch(8, 1);
}

void TagPanel::connectEdits() {
    for (QLineEdit* e : {titleEdit, artistEdit, albumEdit, commentEdit})
        connect(e, &QLineEdit::textChanged, this, [this] { onTextEdited(); });
    connect(genreCombo, &QComboBox::currentTextChanged, this, [this] { onTextEdited(); });
    connect(yearEdit, &QLineEdit::textChanged, this, [this] { onNumberEdited(yearEdit, 10000); });
    connect(trackEdit, &QLineEdit::textChanged, this, [this] { onNumberEdited(trackEdit, 256); });
    connect(setButton, &QPushButton::clicked, this, [this] { onSetClicked(); });
    connect(applyAllButton, &QPushButton::clicked, this, [this] { onApplyAllClicked(); });
    // Enter or leaving a field stores what was typed (Esc takes it back).
    for (QLineEdit* e : {titleEdit, artistEdit, albumEdit, yearEdit, trackEdit, commentEdit}) {
        connect(e, &QLineEdit::editingFinished, this, [this] { applyTypedTags(); });
        e->installEventFilter(this);
    }
}

TagPanel::~TagPanel() {
    for (QLineEdit* e : {titleEdit, artistEdit, albumEdit, yearEdit, trackEdit, commentEdit})
        disconnect(e, nullptr, this, nullptr);
}

void TagPanel::applyTypedTags() {
    if (tagsEdited_ && showsSameAudio())
        onSetClicked();
}

void TagPanel::revertTypedTags() {
    const QString name = partNameLabel->text();
    showFields(shown_);
    partNameLabel->setText(name);
    tagsEdited_ = false;
    setCaption(kGreyCaption);
}

void TagPanel::fillGenreBox() {
    // Only the table's names can be chosen; the box shows them sorted.
    for (const std::string& name : SortedGenreNames())
        genreCombo->addItem(QString::fromStdString(name));
    genreCombo->setCurrentIndex(-1);
}

QColor TagPanel::setButtonCaptionColour() const {
    return setButton->palette().color(QPalette::ButtonText);
}

void TagPanel::setCaption(const QColor& c) {
    // The disabled look stays the style's own.
    QPalette p = setButton->palette();
    p.setColor(QPalette::Active, QPalette::ButtonText, c);
    p.setColor(QPalette::Inactive, QPalette::ButtonText, c);
    setButton->setPalette(p);
}

void TagPanel::onTextEdited() {
    tagsEdited_ = true;
    setCaption(Qt::black);
}

bool TagPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && tagsEdited_) {
        revertTypedTags();
        return true;
    }
    if ((watched == yearEdit || watched == trackEdit) && event->type() == QEvent::KeyPress) {
        if (!KeyAllowedInNumberEdit(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

void TagPanel::onNumberEdited(QLineEdit* edit, long bound) {
    // Too large a number loses its last character; pasted text that is not a
    // whole number is refused and the box keeps what it held before.
    QString& last = edit == yearEdit ? lastYear_ : lastTrack_;
    const std::string now = edit->text().toStdString();
    const std::string kept = BoundedDigitsEditText(last.toStdString(), now, bound);
    if (kept != now) {
        const QSignalBlocker block(edit);
        edit->setText(QString::fromStdString(kept));
        edit->setCursorPosition(static_cast<int>(kept.size()));
    }
    last = edit->text();
    tagsEdited_ = true;
    setCaption(Qt::black);
}

void TagPanel::showFields(int n) {
    const TagFields f = ReadTagFields(st_, st_, n);
    partNameLabel->setText(CoreText(f.partName));
    titleEdit->setText(QString::fromStdString(f.title));
    artistEdit->setText(QString::fromStdString(f.artist));
    albumEdit->setText(QString::fromStdString(f.album));
    // The box shows the year's leading digits ("1999  ", "2024-05-01").
    QString year = QString::fromStdString(f.year);
    year.truncate(std::min<qsizetype>(4, year.size()));
    for (qsizetype i = 0; i < year.size(); ++i)
        if (year[i] < QLatin1Char('0') || year[i] > QLatin1Char('9')) {
            year.truncate(i);
            break;
        }
    yearEdit->setText(year);
    commentEdit->setText(QString::fromStdString(f.comment));
    // The slot's genre, also for a file without a tag once Set stored one;
    // a genre outside the table shows as none (and storing keeps it).
    const std::string& tagGenre =
        ShowsFileTag(st_, n) ? st_.FileTag.fields.genre : EffectivePartTag(st_, n).fields.genre;
    const uint8_t genreByte = GenreByte(tagGenre);
    const std::string genre = genreByte < GenreNames.size() ? GenreNames[genreByte] : tagGenre;
    genreCombo->setCurrentIndex(
        genre.empty() ? -1 : genreCombo->findText(QString::fromStdString(genre), Qt::MatchExactly));
    trackEdit->setText(QString::fromStdString(f.track));
    showPicture();
}

void TagPanel::showPicture() {
    // Every part inherits the source's picture; decoded once per picture. A
    // picture Qt cannot decode shows nothing.
    const std::vector<uint8_t>& bytes = doc_.SourcePicture();
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    if (data != pictureData_) {
        pictureData_ = data;
        QImage image;
        if (!data.isEmpty() && image.loadFromData(data))
            pictureLabel->setPixmap(QPixmap::fromImage(image.scaled(
                kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        else
            pictureLabel->clear();
    }
    pictureLabel->setVisible(pictureLabel->pixmap().isNull() == false);
}

void TagPanel::showPartTags(int n) {
    if (!ShowsFileTag(st_, n) && !IsPartNumber(st_, n))
        return;
    // Another part chosen: what was typed for the shown one is kept.
    if (n != shown_)
        applyTypedTags();
    shown_ = ShowsFileTag(st_, n) ? 0 : n;
    shownStart_ = shown_ != 0 ? PartFirstFrame(st_, shown_) : -1;
    showFields(shown_);
    tagsEdited_ = false;
    setCaption(kGreyCaption);
}

void TagPanel::clearTagPanel() {
    partNameLabel->clear();
    for (QLineEdit* e : {titleEdit, artistEdit, albumEdit, yearEdit, trackEdit, commentEdit})
        e->clear();
    genreCombo->setCurrentIndex(-1);
    pictureData_.clear();
    pictureLabel->clear();
    pictureLabel->hide();
    tagsEdited_ = false;
    setCaption(kGreyCaption);
}

TagFields TagPanel::typedFields() const {
    TagFields f;
    f.title = titleEdit->text().toStdString();
    f.artist = artistEdit->text().toStdString();
    f.album = albumEdit->text().toStdString();
    f.year = yearEdit->text().toStdString();
    f.comment = commentEdit->text().toStdString();
    f.genre = genreCombo->currentText().toStdString();
    f.track = trackEdit->text().toStdString();
    return f;
}

void TagPanel::storePartTags(int n) {
    if (!tagsEdited_ || (!ShowsFileTag(st_, n) && !IsPartNumber(st_, n)))
        return;
    doc_.StoreTagFields(n, typedFields());
    // The boxes now show what the slot holds (its texts in full). The name
    // label stays.
    const QString name = partNameLabel->text();
    showFields(n);
    partNameLabel->setText(name);
    tagsEdited_ = false;
    emit tagsStored(n);
}

void TagPanel::onSetClicked() {
    storePartTags(shown_);
    tagsEdited_ = false;
    setCaption(kSetCaption);
}

void TagPanel::onApplyAllClicked() {
    storePartTags(shown_);
    const TagFields shown = ReadTagFields(st_, st_, shown_);
    if (doc_.ApplyToAllParts(shown))
        emit tagsStored(shown_);
    tagsEdited_ = false;
    setCaption(kSetCaption);
}

void TagPanel::followParts() {
    // The panel never shows a part that is gone, nor another part's audio
    // under the number it had. Typed edits stay with the part that still
    // starts where the shown one did; with nothing edited the panel shows
    // the selected part, or the file tag while none is selected.
    if (!st_.FileLoaded || PartCount(st_) == 0)
        return;
    if (shown_ != 0 && tagsEdited_ && !showsSameAudio()) {
        for (int k = 1; k <= PartCount(st_); ++k)
            if (PartFirstFrame(st_, k) == shownStart_ && !ShowsFileTag(st_, k)) {
                shown_ = k;
                partNameLabel->setText(tr("Part(%1)").arg(k));
                return;
            }
    }
    if (!showsSameAudio() || (!tagsEdited_ && shown_ != st_.SelectedPart))
        showPartTags(st_.SelectedPart);
}

bool TagPanel::showsSameAudio() const {
    if (shown_ == 0)
        return true;
    return IsPartNumber(st_, shown_) && !ShowsFileTag(st_, shown_) &&
           PartFirstFrame(st_, shown_) == shownStart_;
}

} // namespace tessivo
