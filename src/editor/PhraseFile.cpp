#include "editor/PhraseFile.h"

#include "util/CP932.h"
#include "util/LineSplit.h"

#include <QString>
#include <QStringDecoder>

namespace phrases {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsValidUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    // The decoder converts when its result is taken.
    const QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    Q_UNUSED(text);
    return !decoder.hasError();
}

// The text up to the first NUL byte, where every reader of the file stops.
std::string_view Content(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

} // namespace

bool IsUtf8(std::string_view bytes) {
    bytes = Content(bytes);
    if (bytes.starts_with(kByteOrderMark))
        return true;
    return IsValidUtf8(bytes) && !cp932::IsValid(bytes);
}

std::vector<Phrase> Read(std::string_view bytes) {
    std::vector<Phrase> phrases;
    if (!IsUtf8(bytes)) {
        for (std::string& line : text::SplitLines(bytes))
            phrases.push_back({std::move(line), std::nullopt, {}});
        return phrases;
    }
    bytes = Content(bytes);
    if (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());
    for (const std::string& line : text::SplitLines(bytes)) {
        const QString text =
            cp932::FoldLookAlikes(QString::fromUtf8(line.data(), qsizetype(line.size())));
        Phrase phrase;
        phrase.unencodable = cp932::FirstUnencodable(text);
        if (phrase.unencodable)
            phrase.text = text;
        else
            phrase.bytes = cp932::Encode(text);
        phrases.push_back(std::move(phrase));
    }
    return phrases;
}

} // namespace phrases
