#include "ui/document/core_text.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <vector>

namespace tessivo {

namespace {

constexpr const char* kContext = "tessivo::core";

// The core's fixed messages that reach the window.
[[maybe_unused]] constexpr const char* kMessages[] = {
    QT_TRANSLATE_NOOP("tessivo::core", "It is not a MP3 file!"),
    QT_TRANSLATE_NOOP("tessivo::core",
                      "The file is too large: files of 2 GB and more cannot be opened."),
    QT_TRANSLATE_NOOP("tessivo::core", "Free-format MP3 streams are not supported."),
    QT_TRANSLATE_NOOP("tessivo::core", "Incorrect time value!"),
    QT_TRANSLATE_NOOP("tessivo::core", "Input time value!"),
    QT_TRANSLATE_NOOP("tessivo::core", "Incorrect tolerance value!"),
    QT_TRANSLATE_NOOP("tessivo::core", "Incorrect time value!\nType the time as h:mm:ss.mmm."),
    QT_TRANSLATE_NOOP("tessivo::core", "The sample lies outside the audio."),
    QT_TRANSLATE_NOOP("tessivo::core", "No part may start within the last 10 frames."),
    QT_TRANSLATE_NOOP("tessivo::core", "The cue sheet holds no TRACK"),
    QT_TRANSLATE_NOOP("tessivo::core", "The cue sheet could not be read"),
    QT_TRANSLATE_NOOP("tessivo::core", "The file holds no segments"),
    QT_TRANSLATE_NOOP("tessivo::core", "The file holds no labels"),
    QT_TRANSLATE_NOOP("tessivo::core",
                      "The file is UTF-16 without a byte order mark; save it as UTF-8, or as "
                      "UTF-16 with a byte order mark"),
    QT_TRANSLATE_NOOP("tessivo::core",
                      "The cut list is larger than 64 MB, the most a cut list file may hold"),
    QT_TRANSLATE_NOOP("tessivo::core", "No frames to write."),
    QT_TRANSLATE_NOOP("tessivo::core", "Please select a folder"),
    QT_TRANSLATE_NOOP("tessivo::core", "No parts prepared to split."),
    QT_TRANSLATE_NOOP("tessivo::core", "Playing the file"),
    QT_TRANSLATE_NOOP("tessivo::core", "Opening file"),
    QT_TRANSLATE_NOOP("tessivo::core", "Calculating Peaks"),
    QT_TRANSLATE_NOOP("tessivo::core", "No pause"),
    QT_TRANSLATE_NOOP("tessivo::core", "Original File"),
    QT_TRANSLATE_NOOP("tessivo::core", "Error playing music!"),
    QT_TRANSLATE_NOOP("tessivo::core", "not a regular file"),
    QT_TRANSLATE_NOOP("tessivo::core", "no data folder"),
    QT_TRANSLATE_NOOP("tessivo::core", "the file got shorter while reading"),
    QT_TRANSLATE_NOOP("tessivo::core", "The source's tag could be read only in part; the parts "
                                       "carry what could be read"),
    QT_TRANSLATE_NOOP("tessivo::core", "No ReplayGain tags: ID3v1 has no room for them (use "
                                       "--id3 with v2.3 or v2.4)"),
    QT_TRANSLATE_NOOP("tessivo::core", "not UTF-8"),
    QT_TRANSLATE_NOOP("tessivo::core", "no time (a start first or a length last)"),
};

// The core's messages with variable parts; %1, %2 stand for them. The parts
// themselves are looked up as whole messages and as counts.
constexpr const char* kPatterns[] = {
    QT_TRANSLATE_NOOP("tessivo::core", "Playing Part(%1)"),
    QT_TRANSLATE_NOOP("tessivo::core", "Part(%1)"),
    QT_TRANSLATE_NOOP("tessivo::core", "Cannot open %1: %2"),
    QT_TRANSLATE_NOOP("tessivo::core", "Cannot open %1"),
    QT_TRANSLATE_NOOP("tessivo::core", "Cannot read %1: %2"),
    QT_TRANSLATE_NOOP("tessivo::core", "Cannot read %1"),
    QT_TRANSLATE_NOOP("tessivo::core", "Cannot write %1: %2"),
    QT_TRANSLATE_NOOP("tessivo::core", "Cannot create file \"%1\". %2"),
    QT_TRANSLATE_NOOP("tessivo::core", "Unable to write to %1: %2"),
    QT_TRANSLATE_NOOP("tessivo::core", "Unable to write to %1"),
    QT_TRANSLATE_NOOP("tessivo::core", "Not enough memory to open %1"),
    QT_TRANSLATE_NOOP("tessivo::core", "Not a cut list (.cue, .txt or .csv): %1"),
    QT_TRANSLATE_NOOP("tessivo::core", "Only the first %1 cut lines are used"),
    QT_TRANSLATE_NOOP("tessivo::core", "Line %1: no pause within %2 s of %3"),
    QT_TRANSLATE_NOOP("tessivo::core", "Line %1: %2"),
    QT_TRANSLATE_NOOP("tessivo::core", "Part %1 is silent: skipped"),
    QT_TRANSLATE_NOOP("tessivo::core", "Shortened %1: %2 removed"),
    QT_TRANSLATE_NOOP("tessivo::core", "No line of %1 has a time: cut the file first (at pauses, "
                                       "for example), then import its titles"),
    QT_TRANSLATE_NOOP("tessivo::core", "The sample is in the frame of cut line %1."),
    QT_TRANSLATE_NOOP("tessivo::core", "Too much parts (%1) !\nPlease, increase the time value!"),
    QT_TRANSLATE_NOOP("tessivo::core", "The time %1 is on cut line %2."),
    QT_TRANSLATE_NOOP("tessivo::core", "The time %1 lies outside the file (it ends at %2)."),
    QT_TRANSLATE_NOOP("tessivo::core", "%1\n(Error code: %2)"),
    QT_TRANSLATE_NOOP("tessivo::core", "Refusing to write %1: it is an input of this command"),
    QT_TRANSLATE_NOOP("tessivo::core", "No cut list beside it: %1"),
    QT_TRANSLATE_NOOP("tessivo::core", "Too many cut lines: at most %1."),
    QT_TRANSLATE_NOOP("tessivo::core", "Note: %1 file of an earlier split remains: %2"),
    QT_TRANSLATE_NOOP("tessivo::core", "Note: %1 files of an earlier split remain: %2"),
    QT_TRANSLATE_NOOP("tessivo::core", "%1 split into %2; %3 failed"),
    QT_TRANSLATE_NOOP("tessivo::core",
                      "%1 split into %2; %3 failed; %4 not started (no space left on device)"),
};

// Counts within the messages above: %1 stands for a number.
constexpr const char* kCounts[] = {
    QT_TRANSLATE_NOOP("tessivo::core", "1 file"),  QT_TRANSLATE_NOOP("tessivo::core", "%1 files"),
    QT_TRANSLATE_NOOP("tessivo::core", "1 part"),  QT_TRANSLATE_NOOP("tessivo::core", "%1 parts"),
    QT_TRANSLATE_NOOP("tessivo::core", "1 pause"), QT_TRANSLATE_NOOP("tessivo::core", "%1 pauses"),
};

struct Pattern {
    const char* source;
    QRegularExpression match;
};

// A pattern's text as an anchored expression, each %N a captured part.
std::vector<Pattern> Compile(const char* const* begin, const char* const* end, const char* part) {
    std::vector<Pattern> out;
    static const QRegularExpression placeholder(QStringLiteral("%\\d"));
    for (const char* const* p = begin; p != end; ++p) {
        const QString text = QString::fromUtf8(*p);
        QString expr = QStringLiteral("^");
        qsizetype at = 0;
        for (auto it = placeholder.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            expr += QRegularExpression::escape(text.mid(at, m.capturedStart() - at)) +
                    QLatin1String(part);
            at = m.capturedEnd();
        }
        expr += QRegularExpression::escape(text.mid(at)) + QStringLiteral("$");
        out.push_back(
            {*p, QRegularExpression(expr, QRegularExpression::DotMatchesEverythingOption)});
    }
    return out;
}

QString Whole(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return QCoreApplication::translate(kContext, utf8.constData());
}

// The text by the first pattern it matches, its parts filled in by `fill`;
// empty when none matches.
template <typename Fill>
QString ByPattern(const std::vector<Pattern>& patterns, const QString& text, Fill fill) {
    for (const Pattern& p : patterns) {
        const QRegularExpressionMatch m = p.match.match(text);
        if (!m.hasMatch())
            continue;
        QString out = QCoreApplication::translate(kContext, p.source);
        if (out == QLatin1String(p.source))
            return text; // not translated: the core's own words
        for (int i = 1; i <= m.lastCapturedIndex(); ++i)
            out = out.arg(fill(m.captured(i)));
        return out;
    }
    return {};
}

QString Part(const QString& text) {
    static const std::vector<Pattern> counts =
        Compile(std::begin(kCounts), std::end(kCounts), "(\\d+)");
    const QString count = ByPattern(counts, text, [](const QString& n) { return n; });
    return count.isEmpty() ? Whole(text) : count;
}

} // namespace

QString CoreText(const std::string& text) {
    const QString source = QString::fromStdString(text);
    const QString whole = Whole(source);
    if (whole != source || source.isEmpty())
        return whole;
    static const std::vector<Pattern> patterns =
        Compile(std::begin(kPatterns), std::end(kPatterns), "(.+?)");
    const QString byPattern = ByPattern(patterns, source, Part);
    return byPattern.isEmpty() ? Part(source) : byPattern;
}

} // namespace tessivo
