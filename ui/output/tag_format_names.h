// The names the dialogs give the tag formats, in the order their boxes list
// them: one list, so every dialog names the same choice alike.
#pragma once

#include "core/output/part_tag.h"

#include <QComboBox>
#include <QString>

#include <utility>

namespace tessivo {

inline constexpr std::pair<TagFormat, const char*> kTagFormatNames[] = {
    {TagFormat::V1, "ID3v1"},
    {TagFormat::V23, "ID3v2.3"},
    {TagFormat::V24, "ID3v2.4"},
    {TagFormat::V1V23, "ID3v2.3 + ID3v1"},
    {TagFormat::V1V24, "ID3v2.4 + ID3v1"},
};

// Fills a box with the names, each holding its format as data.
inline void AddTagFormatNames(QComboBox* box) {
    for (const auto& [format, name] : kTagFormatNames)
        box->addItem(QString::fromLatin1(name), static_cast<int>(format));
}

// Fills a box with the names of the formats with an ID3v2 tag, which a file
// written as one always carries.
inline void AddOneFileTagFormatNames(QComboBox* box) {
    for (const auto& [format, name] : kTagFormatNames)
        if (Id3v2Version(format) != 0)
            box->addItem(QString::fromLatin1(name), static_cast<int>(format));
}

// Shows `format` in a box AddTagFormatNames filled.
inline void ShowTagFormat(QComboBox* box, TagFormat format) {
    box->setCurrentIndex(box->findData(static_cast<int>(format)));
}

// The format the box shows.
inline TagFormat ShownTagFormat(const QComboBox* box) {
    return static_cast<TagFormat>(box->currentData().toInt());
}

} // namespace tessivo
