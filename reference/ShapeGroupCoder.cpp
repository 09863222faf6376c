#include "reference/ShapeGroupCoder.h"

#include "reference/djvu/DjVuChunks.h"
#include "reference/host/Files.h"
#include "reference/page/PageImage.h"

#include <windows.h>

#include <algorithm>

namespace reference {

ShapeGroupCoder::ShapeGroupCoder(const Options& options, const PagePlanner& planner, const PageFiles& files,
    ConsoleLines& console)
    : options_(options), planner_(planner), files_(files), console_(console)
{
}

void ShapeGroupCoder::collect(PageTask& task)
{
    auto& group = groups_[(task.page - 1) / options_.pagesPerDict];
    if (!group) {
        group = std::make_unique<GroupWork>();
        group->shapes = ShapeGroup(MarkLoss::forLevel(options_.fgQuality, options_.dpi));
    }
    group->collected.push_back(task.page);
    // A page the group does not take (too many shapes) is coded alone by the page encoder,
    // which takes its marks as a file.
    const SharedMaskPlan& plan = task.shared;
    PnmHeader file;
    file.kind = 4;
    file.width = plan.width;
    file.height = plan.height;
    file.pixelsAt = plan.marksAt;
    group->coder.post([work = group.get(), bits = std::move(task.shared.bits), file, marks = plan.marks,
                          page = task.page] {
        std::vector<std::uint8_t> pixels;
        if (bits.empty() ? PageImage::readPbm(marks, file, pixels) : !(pixels = PageImage::unpack(bits, file.width,
                file.height)).empty()) {
            if (work->shapes.addPage(std::move(pixels), file.width, file.height)) {
                work->taken.push_back(page);
                DeleteFileW(marks.c_str());
            } else if (!bits.empty()) {
                PageImage::writePackedPbm(marks, bits, file.width, file.height);
            }
        }
        ++work->cut;
    });
}

bool ShapeGroupCoder::encodeGroups(std::map<int, PageTask>& pages, bool rendering, int rendered)
{
    bool coded = false;
    for (auto entry = groups_.begin(); entry != groups_.end();) {
        const int number = entry->first;
        GroupWork& group = *entry->second;
        const int first = number * options_.pagesPerDict + 1;
        const int last = first + options_.pagesPerDict - 1;
        const int count = rendering ? last - first + 1 : std::min(last, rendered) - first + 1;
        if (!group.posted && static_cast<int>(group.collected.size()) == count) {
            group.posted = true;
            group.coder.post([this, work = &group] {
                const DWORD start = GetTickCount();
                work->encoded = work->shapes.encode();
                codingMs_ += GetTickCount() - start;
                codedPages_ += work->shapes.pageCount();
                work->shapes = ShapeGroup();
                work->coded = true;
            });
        }
        if (!group.coded) {
            ++entry;
            continue;
        }
        std::wstring dictionary;
        if (!group.encoded.dictionary.empty()) {
            dictionary = files_.file(L"shapes", number + 1, L".jb2");
            if (!writeWholeFile(dictionary, group.encoded.dictionary) || !writeWholeFile(
                    files_.file(L"dict", number + 1, L".djbz"), dictionaryFile(group.encoded.dictionary))) {
                fail(console_, kExitEncode, "the shape dictionary of pages " + std::to_string(first) + " to "
                    + std::to_string(first + count - 1) + " could not be written", nullptr);
            }
        }
        for (int page = first; page < first + count; ++page) {
            PageTask& task = pages.at(page);
            const auto taken = std::find(group.taken.begin(), group.taken.end(), page);
            task.waitingForShapes = false;
            task.assembling = true;
            std::wstring marks;
            if (taken != group.taken.end()) {
                const std::string& codedPage = group.encoded.pages[static_cast<size_t>(taken - group.taken.begin())];
                task.dictionary = dictionary.empty() ? 0 : number + 1;
                // A page of marks alone is made here; a page with colours or a background
                // by djvumake.
                const bool alone = task.shared.chunks.empty();
                marks = files_.file(L"mask", page, L".jb2");
                if (!(alone ? writeWholeFile(files_.djvu(page), djvuPage(task.shared.width, task.shared.height,
                                  task.shared.dpi, group.encoded.dictionary, codedPage))
                            : writeWholeFile(marks, codedPage))) {
                    fail(console_, kExitEncode, "the marks of page " + std::to_string(page) + " could not be written",
                        nullptr);
                }
                if (alone) {
                    continue;
                }
            }
            for (auto& step : planner_.assemblySteps(page, task.shared, task.dictionary > 0 ? dictionary : L"", marks)) {
                task.steps.push_back(std::move(step));
            }
        }
        entry = groups_.erase(entry);
        coded = true;
    }
    return coded;
}

// The finished page includes its group's dictionary file in place of the copy it was made
// with, so the bundle holds the dictionary once, and takes its text and links.
void ShapeGroupCoder::completePage(const PageTask& task)
{
    if (!planner_.sharesShapes()) {
        return;
    }
    const std::wstring pageFile = files_.djvu(task.page);
    const std::string id = task.dictionary == 0 ? std::string()
        : toUtf8(PageFiles::name(L"dict", task.dictionary, L".djbz"));
    const std::string page = finishedPage(readWholeFile(pageFile), id,
        readWholeFile(planner_.annotatedFile(task.page)));
    if (page.empty() || !writeWholeFile(pageFile, page)) {
        fail(console_, kExitEncode, "page " + std::to_string(task.page) + " could not be finished", nullptr);
    }
}

bool ShapeGroupCoder::waitsToBeCut(int page) const
{
    const auto group = groups_.find((page - 1) / options_.pagesPerDict);
    if (group == groups_.end()) {
        return false;
    }
    const auto& pages = group->second->collected;
    const auto at = std::find(pages.begin(), pages.end(), page);
    return at != pages.end() && at - pages.begin() >= group->second->cut;
}

int ShapeGroupCoder::pendingPages() const
{
    int pages = 0;
    for (const auto& [number, group] : groups_) {
        pages += group->coded ? 0 : static_cast<int>(group->collected.size());
    }
    return pages;
}

double ShapeGroupCoder::msPerPage(double guess) const
{
    const long long pages = codedPages_;
    return pages > 0 ? static_cast<double>(codingMs_) / static_cast<double>(pages) : guess;
}

void ShapeGroupCoder::drop()
{
    for (auto& [number, group] : groups_) {
        group->coder.drop();
    }
}

} // namespace reference
