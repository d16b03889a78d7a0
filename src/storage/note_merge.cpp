// SPDX-License-Identifier: GPL-3.0-or-later
#include "note_merge.h"

#include "storage_log.h"

#include <git2.h>

#include <algorithm>

namespace quillo {
namespace {

/// libgit2 set up for as long as this lives; its initialisation is counted, so nesting is fine.
class Libgit2 {
public:
    Libgit2()
        : m_ok(git_libgit2_init() > 0) {}
    ~Libgit2() {
        if (m_ok)
            git_libgit2_shutdown();
    }
    Libgit2(const Libgit2&) = delete;
    Libgit2& operator=(const Libgit2&) = delete;
    bool ok() const { return m_ok; }

private:
    bool m_ok;
};

/// What one side did to the base: base[from, to) became the side's own bytes there.
struct Edit {
    qsizetype from = 0;
    qsizetype to = 0;
    QByteArrayView replacement;
};

Edit editBetween(QByteArrayView base, QByteArrayView side) {
    const qsizetype shorter = std::min(base.size(), side.size());
    qsizetype prefix = 0;
    while (prefix < shorter && base[prefix] == side[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && base[base.size() - 1 - suffix] == side[side.size() - 1 - suffix])
        ++suffix;
    return {prefix, base.size() - suffix, side.sliced(prefix, side.size() - suffix - prefix)};
}

/// The whole lines of base that an edit touches; an insertion between two lines touches none.
std::pair<qsizetype, qsizetype> touchedLines(QByteArrayView base, const Edit& edit) {
    qsizetype from = edit.from;
    while (from > 0 && base[from - 1] != '\n')
        --from;
    qsizetype to = edit.to;
    if (to > from && base[to - 1] != '\n') {
        while (to < base.size() && base[to] != '\n')
            ++to;
        to = std::min(to + 1, base.size());
    }
    return {from, to};
}

std::optional<QByteArray> unionMerge(QByteArrayView base, QByteArrayView ours, QByteArrayView theirs) {
    const Libgit2 library;
    if (!library.ok())
        return std::nullopt;
    const auto input = [](QByteArrayView bytes) {
        git_merge_file_input in = GIT_MERGE_FILE_INPUT_INIT;
        in.ptr = bytes.data();
        in.size = size_t(bytes.size());
        return in;
    };
    const git_merge_file_input baseIn = input(base), oursIn = input(ours), theirsIn = input(theirs);
    git_merge_file_options options = GIT_MERGE_FILE_OPTIONS_INIT;
    options.favor = GIT_MERGE_FILE_FAVOR_UNION;
    git_merge_file_result result = {};
    if (git_merge_file(&result, &baseIn, &oursIn, &theirsIn, &options) != 0) {
        const git_error* error = git_error_last();
        qCWarning(lcStorage) << "merge failed:" << (error ? error->message : "");
        return std::nullopt;
    }
    std::optional<QByteArray> merged;
    if (result.automergeable) // with the union favour only binary input is refused
        merged = QByteArray(result.ptr, qsizetype(result.len));
    git_merge_file_result_free(&result);
    return merged;
}

} // namespace

std::optional<QByteArray> mergeNoteTexts(const QByteArray& base, const QByteArray& ours,
                                         const QByteArray& theirs) {
    if (ours == base || ours == theirs)
        return theirs;
    if (theirs == base)
        return ours;
    // A note is large and an edit small: only the lines either side touched go through the line merge, so
    // that a 10 MB note merges in milliseconds. Edits in lines apart are simply both applied.
    const QByteArrayView all(base);
    const Edit mine = editBetween(all, ours);
    const Edit other = editBetween(all, theirs);
    const auto [mineFrom, mineTo] = touchedLines(all, mine);
    const auto [otherFrom, otherTo] = touchedLines(all, other);
    QByteArray merged;
    merged.reserve(std::max(ours.size(), theirs.size()) + std::abs(theirs.size() - base.size()));
    // Edits apart keep their order. An insertion touching the other edit is not apart: typing at the end of
    // an unfinished line and a line appended there would run into one line.
    const auto apart = [](qsizetype firstTo, qsizetype secondFrom, bool bothChangeLines) {
        return firstTo < secondFrom || (firstTo == secondFrom && bothChangeLines);
    };
    const bool bothChangeLines = mineFrom < mineTo && otherFrom < otherTo;
    if (apart(mineTo, otherFrom, bothChangeLines) || apart(otherTo, mineFrom, bothChangeLines)) {
        const bool mineFirst = mine.from <= other.from;
        const Edit& first = mineFirst ? mine : other;
        const Edit& second = mineFirst ? other : mine;
        merged.append(all.first(first.from)).append(first.replacement);
        merged.append(all.sliced(first.to, second.from - first.to)).append(second.replacement);
        return merged.append(all.sliced(second.to));
    }
    const qsizetype from = std::min(mineFrom, otherFrom);
    qsizetype to = std::max(mineTo, otherTo);
    // One more line, the same on all sides, so that each side's part ends with a whole line.
    while (to < all.size() && all[to++] != '\n') {
    }
    const qsizetype tail = all.size() - to;
    const auto part = [from, tail](QByteArrayView side) {
        return side.sliced(from, side.size() - tail - from);
    };
    const std::optional<QByteArray> middle = unionMerge(part(all), part(ours), part(theirs));
    if (!middle)
        return std::nullopt;
    return merged.append(all.first(from)).append(*middle).append(all.sliced(to));
}

} // namespace quillo
