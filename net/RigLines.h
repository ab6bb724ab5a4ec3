#pragma once
// Cuts what a client sends into lines, however the bytes arrive: a line
// split over several reads, several lines in one. A line that grows past the
// limit is reported once, as soon as it does, and the rest of it up to its
// line end is dropped. No Qt here.
#include <cstddef>
#include <string>
#include <string_view>

class TRigLines {
public:
    explicit TRigLines(size_t maxLine) : max_(maxLine) {}

    // Calls each(line, tooLong) for every line that data ends (line without
    // its '\n'), and each("", true) for a line past the limit. each returns
    // false to stop. Returns the bytes of data taken: all of it, or up to the
    // end of the line each stopped at.
    template <typename Each>
    size_t Feed(std::string_view data, Each&& each);

    // Part of a line is waiting for its end.
    bool HasPartial() const { return !partial_.empty() || dropping_; }

private:
    size_t max_;
    std::string partial_;
    bool dropping_ = false;
};

template <typename Each>
size_t TRigLines::Feed(std::string_view data, Each&& each)
{
    const size_t size = data.size();
    while (!data.empty()) {
        const size_t end = data.find('\n');
        const bool ended = end != std::string_view::npos;
        const std::string_view piece = data.substr(0, end);
        data.remove_prefix(ended ? end + 1 : data.size());
        if (dropping_) {
            dropping_ = !ended;
            continue;
        }
        if (partial_.size() + piece.size() > max_) {
            partial_.clear();
            dropping_ = !ended;
            if (!each(std::string_view{}, true))
                return size - data.size();
            continue;
        }
        if (!ended) {
            partial_ += piece;
            break;
        }
        if (partial_.empty()) {
            if (!each(piece, false))
                return size - data.size();
            continue;
        }
        partial_ += piece;
        const std::string line = std::move(partial_);
        partial_.clear();
        if (!each(std::string_view(line), false))
            return size - data.size();
    }
    return size;
}
