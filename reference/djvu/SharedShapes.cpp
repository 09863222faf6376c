#include "reference/djvu/SharedShapes.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>

namespace reference {

namespace {

std::uint64_t contentHash(const Bitmap& bitmap)
{
    std::uint64_t hash = 1469598103934665603ULL;
    auto mix = [&hash](std::uint64_t value) { hash = (hash ^ value) * 1099511628211ULL; };
    mix(static_cast<std::uint64_t>(bitmap.width));
    mix(static_cast<std::uint64_t>(bitmap.height));
    for (size_t i = 0; i < bitmap.pixels.size(); i += 8) {
        std::uint64_t word = 0;
        for (size_t j = i; j < std::min(i + 8, bitmap.pixels.size()); ++j) {
            word = word << 1 | bitmap.pixels[j];
        }
        mix(word);
    }
    return hash;
}

int blackCount(const Bitmap& bitmap)
{
    return static_cast<int>(std::count(bitmap.pixels.begin(), bitmap.pixels.end(), 1));
}

// Shapes already coded, found by size: a new shape is coded as a refinement of the most
// similar one of nearly its size when that one differs in under a fifth of its pixels,
// as the pixels are centred on each other by the coder.
class Similar {
public:
    void add(const Bitmap& shape, int index)
    {
        bySize_[{shape.width, shape.height}].push_back({index, blackCount(shape), &shape});
    }

    int find(const Bitmap& shape) const
    {
        const int black = blackCount(shape);
        int best = std::max(2, (21 * shape.width * shape.height + 50) / 100);
        int found = -1;
        for (int dw = -2; dw <= 2; ++dw) {
            for (int dh = -2; dh <= 2; ++dh) {
                const auto list = bySize_.find({shape.width + dw, shape.height + dh});
                if (list == bySize_.end()) {
                    continue;
                }
                // The latest shapes of a size first, and not too many of them.
                int looked = 0;
                for (auto entry = list->second.rbegin(); entry != list->second.rend() && looked < 24; ++entry) {
                    if (std::abs(entry->black - black) >= best) {
                        continue;
                    }
                    ++looked;
                    const int score = difference(shape, *entry->bitmap, best);
                    if (score < best) {
                        best = score;
                        found = entry->index;
                    }
                }
            }
        }
        return found;
    }

private:
    struct Entry {
        int index;
        int black;
        const Bitmap* bitmap;
    };

    // Pixels that differ, counting to limit at most.
    static int difference(const Bitmap& shape, const Bitmap& reference, int limit)
    {
        const int shiftX = (shape.width / 2 - shape.width + 1) - (reference.width / 2 - reference.width + 1);
        const int shiftY = (shape.height / 2 - shape.height + 1) - (reference.height / 2 - reference.height + 1);
        const int rowOffset = reference.height - shape.height - shiftY;
        int score = 0;
        for (int row = -1; row <= shape.height && score < limit; ++row) {
            for (int column = -1; column <= shape.width; ++column) {
                score += shape.at(row, column) != reference.at(row + rowOffset, column + shiftX) ? 1 : 0;
            }
        }
        return score;
    }

    std::map<std::pair<int, int>, std::vector<Entry>> bySize_;
};

// Orders shapes as text is read: rows from the top (a row takes the shapes whose tops lie
// above the median bottom of those starting near its first one), each from the left.
void sortInReadingOrder(std::vector<PageShape>& shapes, int width)
{
    std::sort(shapes.begin(), shapes.end(), [](const PageShape& a, const PageShape& b) { return a.top < b.top; });
    const int maxTopChange = std::max(32, width / 40);
    size_t start = 0;
    std::vector<int> bottoms;
    while (start < shapes.size()) {
        const int firstTop = shapes[start].top;
        int lowest = firstTop + shapes[start].bitmap.height - 1;
        bottoms.clear();
        size_t end = start;
        for (; end < shapes.size(); ++end) {
            if (shapes[end].top > lowest || shapes[end].top > firstTop + maxTopChange) {
                break;
            }
            const int bottom = shapes[end].top + shapes[end].bitmap.height - 1;
            bottoms.push_back(bottom);
            lowest = std::max(lowest, bottom);
        }
        if (end > start + 1) {
            std::sort(bottoms.begin(), bottoms.end(), std::greater<int>());
            const int median = bottoms[(bottoms.size() - 1) / 2];
            for (end = start; end < shapes.size() && shapes[end].top <= median; ++end) {
            }
            std::sort(shapes.begin() + static_cast<long>(start), shapes.begin() + static_cast<long>(end),
                [](const PageShape& a, const PageShape& b) { return a.left < b.left; });
        }
        start = std::max(end, start + 1);
    }
}

} // namespace

std::vector<PageShape> cutIntoShapes(std::vector<std::uint8_t> marks, int width, int height, size_t limit)
{
    std::vector<std::uint8_t>& left = marks; // pixels not yet in a shape
    std::vector<PageShape> shapes;
    std::vector<int> stack;
    std::vector<int> members;
    for (int start = 0; start < width * height; ++start) {
        if (left[start] == 0) {
            continue;
        }
        if (shapes.size() >= limit) {
            return {};
        }
        members.clear();
        stack.assign(1, start);
        left[start] = 0;
        int x0 = width, y0 = height, x1 = -1, y1 = -1;
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            members.push_back(at);
            const int x = at % width;
            const int y = at / width;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
            for (int ny = std::max(0, y - 1); ny <= std::min(height - 1, y + 1); ++ny) {
                for (int nx = std::max(0, x - 1); nx <= std::min(width - 1, x + 1); ++nx) {
                    const int next = ny * width + nx;
                    if (left[next] != 0) {
                        left[next] = 0;
                        stack.push_back(next);
                    }
                }
            }
        }
        PageShape shape;
        shape.left = x0;
        shape.top = y0;
        shape.bitmap.width = x1 - x0 + 1;
        shape.bitmap.height = y1 - y0 + 1;
        shape.bitmap.pixels.assign(static_cast<size_t>(shape.bitmap.width) * shape.bitmap.height, 0);
        for (const int at : members) {
            shape.bitmap.pixels[(at / width - y0) * shape.bitmap.width + at % width - x0] = 1;
        }
        shapes.push_back(std::move(shape));
    }
    sortInReadingOrder(shapes, width);
    return shapes;
}

int ShapeGroup::shapeIndex(Bitmap&& bitmap, int page, int& left, int& top)
{
    const std::uint64_t hash = contentHash(bitmap);
    const auto [first, last] = byContent_.equal_range(hash);
    for (auto entry = first; entry != last; ++entry) {
        const Bitmap& known = shapes_[entry->second];
        if (known.width == bitmap.width && known.height == bitmap.height && known.pixels == bitmap.pixels) {
            ++uses_[entry->second];
            if (lastPage_[entry->second] != page) {
                lastPage_[entry->second] = page;
                ++pagesUsing_[entry->second];
            }
            return entry->second;
        }
    }
    if (loss_.substitutes()) {
        if (const int standing = standIns_.find(bitmap, shapes_, left, top); standing >= 0) {
            ++uses_[standing];
            if (lastPage_[standing] != page) {
                lastPage_[standing] = page;
                ++pagesUsing_[standing];
            }
            return standing;
        }
    }
    shapes_.push_back(std::move(bitmap));
    pagesUsing_.push_back(1);
    uses_.push_back(1);
    lastPage_.push_back(page);
    const int index = static_cast<int>(shapes_.size()) - 1;
    byContent_.emplace(hash, index);
    if (loss_.substitutes()) {
        standIns_.add(shapes_.back(), index);
    }
    return index;
}

bool ShapeGroup::addPage(std::vector<std::uint8_t> marks, int width, int height)
{
    const bool blank = std::find(marks.begin(), marks.end(), 1) == marks.end();
    const bool dropsSpecks = loss_.speckSide > 0;
    std::vector<PageShape> shapes
        = cutIntoShapes(dropsSpecks ? marks : std::move(marks), width, height, kMaxShapesPerPage);
    if (shapes.empty() && !blank) {
        return false;
    }
    Page page{width, height, {}};
    const int number = pageCount();
    for (auto& shape : shapes) {
        if (dropsSpecks && isSpeck(shape, marks, width, height)) {
            continue;
        }
        int left = shape.left;
        int top = shape.top;
        const int index = shapeIndex(std::move(shape.bitmap), number, left, top);
        page.placed.push_back({left, top, index});
    }
    pages_.push_back(std::move(page));
    return true;
}

// A speck is a shape that fits in a square of the loss's side with no other mark within
// twice that side: the dot of an "i" or a full stop of small text lies nearer to its
// letters, and the dots of a dithered picture to one another.
bool ShapeGroup::isSpeck(const PageShape& shape, const std::vector<std::uint8_t>& marks, int width, int height) const
{
    const int side = loss_.speckSide;
    if (shape.bitmap.width > side || shape.bitmap.height > side) {
        return false;
    }
    const int reach = 2 * side;
    for (int y = std::max(0, shape.top - reach); y < std::min(height, shape.top + shape.bitmap.height + reach); ++y) {
        for (int x = std::max(0, shape.left - reach); x < std::min(width, shape.left + shape.bitmap.width + reach); ++x) {
            if (marks[static_cast<size_t>(y) * width + x] != 0 && shape.bitmap.at(y - shape.top, x - shape.left) == 0) {
                return false;
            }
        }
    }
    return true;
}

ShapeGroup::Encoded ShapeGroup::encode() const
{
    Encoded encoded;
    // The dictionary: shapes placed on more than one page, the most used first (a page's
    // coder learns the indexes of its shapes; those of common shapes then share their
    // leading bits).
    std::vector<int> dictionaryIndex(shapes_.size(), -1);
    std::vector<const Bitmap*> inherited;
    if (pages_.size() > 1) {
        std::vector<int> recurring;
        for (size_t shape = 0; shape < shapes_.size(); ++shape) {
            if (pagesUsing_[shape] >= 2) {
                recurring.push_back(static_cast<int>(shape));
            }
        }
        std::stable_sort(recurring.begin(), recurring.end(), [this](int a, int b) { return uses_[a] > uses_[b]; });
        Jb2Encoder dictionary(0, 0, {});
        Similar similar;
        for (const int shape : recurring) {
            const int index = dictionary.add(shapes_[shape], similar.find(shapes_[shape]));
            similar.add(shapes_[shape], index);
            dictionaryIndex[shape] = index;
            inherited.push_back(&shapes_[shape]);
        }
        if (!inherited.empty()) {
            encoded.dictionary = dictionary.finish();
        }
    }
    for (const Page& page : pages_) {
        Jb2Encoder coder(page.width, page.height, inherited);
        coder.allowMoves(loss_.moveAcross, loss_.moveUpDown);
        Similar similar;
        for (size_t index = 0; index < inherited.size(); ++index) {
            similar.add(*inherited[index], static_cast<int>(index));
        }
        std::unordered_map<int, int> pageIndex; // of the page's own shapes, their library index
        for (const Placed& placed : page.placed) {
            const Bitmap& shape = shapes_[placed.shape];
            if (dictionaryIndex[placed.shape] >= 0) {
                coder.place(dictionaryIndex[placed.shape], placed.left, placed.top);
            } else if (const auto known = pageIndex.find(placed.shape); known != pageIndex.end()) {
                coder.place(known->second, placed.left, placed.top);
            } else {
                const int index = coder.add(shape, similar.find(shape), placed.left, placed.top);
                similar.add(shape, index);
                pageIndex.emplace(placed.shape, index);
            }
        }
        encoded.pages.push_back(coder.finish());
    }
    return encoded;
}

} // namespace reference
