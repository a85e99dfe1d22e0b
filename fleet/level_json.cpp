// SPDX-License-Identifier: MIT
#include "fleet/level_json.h"

namespace fleet {

namespace {

void skipBlanks(QStringView text, qsizetype& at) {
    while (at < text.size() && text[at].isSpace())
        ++at;
}

bool takeLiteral(QStringView text, qsizetype& at, QStringView literal) {
    if (!text.mid(at).startsWith(literal))
        return false;
    at += literal.size();
    return true;
}

bool takeLevel(QStringView text, qsizetype& at, Level& level) {
    if (takeLiteral(text, at, u"null")) {
        level.reset();
        return true;
    }
    const qsizetype begin = at;
    if (at < text.size() && text[at] == QLatin1Char('-'))
        ++at;
    while (at < text.size() && text[at].isDigit())
        ++at;
    bool ok = false;
    level = text.mid(begin, at - begin).toInt(&ok);
    return ok;
}

} // namespace

QString levelsJson(const std::vector<Level>& levels) {
    QString text;
    text.reserve(qsizetype(levels.size()) * 5 + 2);
    text += QLatin1Char('[');
    for (size_t i = 0; i < levels.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        if (levels[i])
            text += QString::number(*levels[i]);
        else
            text += QLatin1String("null");
    }
    text += QLatin1Char(']');
    return text;
}

std::optional<std::vector<Level>> levelsOfJson(QStringView text) {
    std::vector<Level> levels;
    qsizetype at = 0;
    skipBlanks(text, at);
    if (!takeLiteral(text, at, u"["))
        return std::nullopt;
    skipBlanks(text, at);
    bool more = !takeLiteral(text, at, u"]");
    while (more) {
        skipBlanks(text, at);
        if (!takeLevel(text, at, levels.emplace_back()))
            return std::nullopt;
        skipBlanks(text, at);
        if (takeLiteral(text, at, u"]"))
            more = false;
        else if (!takeLiteral(text, at, u","))
            return std::nullopt;
    }
    skipBlanks(text, at);
    if (at != text.size())
        return std::nullopt;
    return levels;
}

} // namespace fleet
