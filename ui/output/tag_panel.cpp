#include "ui/output/tag_panel.h"

#include "core/output/id3v1_tag.h"
#include "ui/parts/number_key_filter.h"
#include "core/parts/prepare.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tessivo {

namespace {

const QColor kGreyCaption(100, 100, 100);
const QColor kSetCaption(90, 90, 90);

// Digits only (an empty text counts as a number too).
bool AllDigits(const QString& s) {
    for (const QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

TagPanel::TagPanel(ProgramState& st, QWidget* parent) : QGroupBox(parent), st_(st) {
    setObjectName(QStringLiteral("PanelTags"));
    LabPartName = new QLabel(this);
    LabPartName->setObjectName(QStringLiteral("LabPartName"));
    EditTitle = new QLineEdit(this);
    EditArtist = new QLineEdit(this);
    EditAlbum = new QLineEdit(this);
    CmbBoxGenre = new QComboBox(this);
    EditYear = new QLineEdit(this);
    EditTrack = new QLineEdit(this);
    EditComment = new QLineEdit(this);
    BtnTagsSet = new QPushButton(QStringLiteral("Set"), this);
    BtnTagsSet->setToolTip(QStringLiteral("Set ID3 Tags"));
    EditTitle->setObjectName(QStringLiteral("EditTitle"));
    EditArtist->setObjectName(QStringLiteral("EditArtist"));
    EditAlbum->setObjectName(QStringLiteral("EditAlbum"));
    CmbBoxGenre->setObjectName(QStringLiteral("CmbBoxGenre"));
    EditYear->setObjectName(QStringLiteral("EditYear"));
    EditTrack->setObjectName(QStringLiteral("EditTrack"));
    EditComment->setObjectName(QStringLiteral("EditComment"));
    BtnTagsSet->setObjectName(QStringLiteral("BtnTagsSet"));
    EditYear->setMaximumWidth(50);
    EditTrack->setMaximumWidth(40);
    EditYear->installEventFilter(this);
    EditTrack->installEventFilter(this);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(QStringLiteral("ID3 Tags:"), this), 0, 0);
    grid->addWidget(LabPartName, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Title"), this), 1, 0);
    grid->addWidget(EditTitle, 1, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Artist"), this), 2, 0);
    grid->addWidget(EditArtist, 2, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Album"), this), 3, 0);
    grid->addWidget(EditAlbum, 3, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Genre"), this), 4, 0);
    grid->addWidget(CmbBoxGenre, 4, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Year"), this), 5, 0);
    grid->addWidget(EditYear, 5, 1);
    grid->addWidget(new QLabel(QStringLiteral("Track"), this), 5, 2, Qt::AlignRight);
    grid->addWidget(EditTrack, 5, 3);
    grid->addWidget(new QLabel(QStringLiteral("Comment"), this), 6, 0);
    grid->addWidget(EditComment, 6, 1, 1, 3);
    grid->addWidget(BtnTagsSet, 7, 3);
    grid->setRowStretch(8, 1);

    FillGenreBox();
    lastYear_ = EditYear->text();
    lastTrack_ = EditTrack->text();

    for (QLineEdit* e : {EditTitle, EditArtist, EditAlbum, EditComment})
        connect(e, &QLineEdit::textChanged, this, [this] { EditTitleChange(); });
    connect(CmbBoxGenre, &QComboBox::currentTextChanged, this, [this] { EditTitleChange(); });
    connect(EditYear, &QLineEdit::textChanged, this, [this] { NumberEditChange(EditYear, 10000); });
    connect(EditTrack, &QLineEdit::textChanged, this, [this] { NumberEditChange(EditTrack, 256); });
    connect(BtnTagsSet, &QPushButton::clicked, this, [this] { BtnTagsSetClick(); });

    SetCaption(kGreyCaption);
}

void TagPanel::FillGenreBox() {
    // Only the table's names can be chosen; the box shows them sorted.
    for (const std::string& name : SortedGenreNames())
        CmbBoxGenre->addItem(QString::fromStdString(name));
    CmbBoxGenre->setCurrentIndex(-1);
}

QColor TagPanel::SetCaptionColour() const {
    return BtnTagsSet->palette().color(QPalette::ButtonText);
}

void TagPanel::SetCaption(const QColor& c) {
    QPalette p = BtnTagsSet->palette();
    p.setColor(QPalette::ButtonText, c);
    BtnTagsSet->setPalette(p);
}

void TagPanel::EditTitleChange() {
    tagsEdited_ = true;
    SetCaption(Qt::black);
}

bool TagPanel::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == EditYear || watched == EditTrack) && event->type() == QEvent::KeyPress) {
        if (!KeyAllowedInNumberEdit(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

void TagPanel::NumberEditChange(QLineEdit* edit, long bound) {
    // Too large a number loses its last character; pasted text that is not a
    // whole number is refused and the box keeps what it held before.
    QString& last = edit == EditYear ? lastYear_ : lastTrack_;
    const std::string now = edit->text().toStdString();
    const std::string kept = BoundedDigitsEditText(last.toStdString(), now, bound);
    if (kept != now) {
        const QSignalBlocker block(edit);
        edit->setText(QString::fromStdString(kept));
        edit->setCursorPosition(static_cast<int>(kept.size()));
    }
    last = edit->text();
    tagsEdited_ = true;
    SetCaption(Qt::black);
}

void TagPanel::ShowFields(int n) {
    const TagFields f = ReadTagFields(st_, n);
    LabPartName->setText(QString::fromStdString(f.partName));
    EditTitle->setText(QString::fromStdString(f.title));
    EditArtist->setText(QString::fromStdString(f.artist));
    EditAlbum->setText(QString::fromStdString(f.album));
    // The year is stored padded with spaces; the box shows its digits.
    QString year = QString::fromStdString(f.year);
    while (year.endsWith(QLatin1Char(' ')))
        year.chop(1);
    if (!AllDigits(year))
        year.clear(); // a source tag may hold anything here
    EditYear->setText(year);
    EditComment->setText(QString::fromStdString(f.comment));
    // A slot that never received a tag (a file without one) shows no genre;
    // a slot stored with Set shows its own genre even then, so that storing
    // the panel again does not lose it.
    const Id3v1Record& slot = st_.PartTag[n];
    const uint8_t genre = slot[127];
    if (IsTag(slot) && genre < GenreNames.size())
        CmbBoxGenre->setCurrentIndex(
            CmbBoxGenre->findText(QString::fromStdString(GenreNames[genre]), Qt::MatchExactly));
    else
        CmbBoxGenre->setCurrentIndex(-1);
    EditTrack->setText(QString::fromStdString(f.track));
}

void TagPanel::ShowPartTags(int n) {
    if (n < 0 || n >= kPartSlots)
        return;
    ShowFields(n);
    tagsEdited_ = false;
    SetCaption(kGreyCaption);
}

void TagPanel::ClearTagPanel() {
    LabPartName->clear();
    for (QLineEdit* e : {EditTitle, EditArtist, EditAlbum, EditYear, EditTrack, EditComment})
        e->clear();
    CmbBoxGenre->setCurrentIndex(-1);
    tagsEdited_ = false;
    SetCaption(kGreyCaption);
}

void TagPanel::StorePartTags(int n) {
    if (!tagsEdited_ || n < 0 || n >= kPartSlots)
        return;
    TagFields f;
    f.title = EditTitle->text().toStdString();
    f.artist = EditArtist->text().toStdString();
    f.album = EditAlbum->text().toStdString();
    f.year = EditYear->text().toStdString();
    f.comment = EditComment->text().toStdString();
    f.genre = CmbBoxGenre->currentText().toStdString();
    f.track = EditTrack->text().toStdString();
    StoreTagFields(st_, n, f);
    // The boxes now show what the slot holds: cut to the field widths, with
    // '?' for every character an ID3v1 tag cannot hold. The name label stays.
    const QString name = LabPartName->text();
    ShowFields(n);
    LabPartName->setText(name);
    const Id3v1Record& slot = st_.PartTag[n];
    EditComment->setText(QString::fromStdString(TagText(slot, 97, 28)));
    tagsEdited_ = false;
    emit tagsStored(n);
}

void TagPanel::BtnTagsSetClick() {
    StorePartTags(st_.SelectedPart);
    tagsEdited_ = false;
    SetCaption(kSetCaption);
}

} // namespace tessivo
