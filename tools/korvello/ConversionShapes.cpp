// Pages that share shape dictionaries: each page's marks are cut into shapes as the page
// is planned; once every page of a group has come in, the group's dictionary and pages
// are coded and each page is made of its coded marks.
#include "Conversion.h"

#include "DjVuChunks.h"
#include "PageImage.h"

#include <algorithm>

void Conversion::collectShapes(PageTask& task)
{
    if (!shapeCoder_) {
        shapeCoder_ = std::make_unique<WorkQueue>();
    }
    auto& group = shapeGroups_[(task.page - 1) / options_.pagesPerDict];
    if (!group) {
        group = std::make_unique<ShapeGroupWork>();
    }
    ++group->collected;
    // A page the group does not take (too many shapes) is coded alone by the page encoder.
    shapeCoder_->post([work = group.get(), marks = task.shared.marks, page = task.page] {
        std::vector<std::uint8_t> pixels;
        int width = 0;
        int height = 0;
        if (PageImage::readPbm(marks, pixels, width, height) && work->shapes.addPage(std::move(pixels), width, height)) {
            work->taken.push_back(page);
            DeleteFileW(marks.c_str());
        }
    });
}

// Asks for the coding of the groups whose pages have all come in, and gives the pages of
// coded groups their steps; true when a group was coded.
bool Conversion::encodeShapeGroups()
{
    bool coded = false;
    for (auto entry = shapeGroups_.begin(); entry != shapeGroups_.end();) {
        const int number = entry->first;
        ShapeGroupWork& group = *entry->second;
        const int first = number * options_.pagesPerDict + 1;
        const int last = first + options_.pagesPerDict - 1;
        const int pages = rendering_ ? last - first + 1 : std::min(last, rendered_) - first + 1;
        if (!group.posted && group.collected == pages) {
            group.posted = true;
            shapeCoder_->post([work = &group] {
                work->encoded = work->shapes.encode();
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
                fail(kExitEncode, "the shape dictionary of pages " + std::to_string(first) + " to "
                    + std::to_string(first + pages - 1) + " could not be written", nullptr);
            }
        }
        for (int page = first; page < first + pages; ++page) {
            PageTask& task = pages_.at(page);
            const auto taken = std::find(group.taken.begin(), group.taken.end(), page);
            task.waitingForShapes = false;
            task.assembling = true;
            std::wstring marks;
            if (taken != group.taken.end()) {
                const std::string& coded = group.encoded.pages[static_cast<size_t>(taken - group.taken.begin())];
                task.dictionary = dictionary.empty() ? 0 : number + 1;
                // A page of marks alone is made here; a page with colours or a background
                // by djvumake.
                const bool alone = task.shared.chunks.empty();
                marks = files_.file(L"mask", page, L".jb2");
                if (!(alone ? writeWholeFile(files_.djvu(page), djvuPage(task.shared.width, task.shared.height,
                                  task.shared.dpi, group.encoded.dictionary, coded))
                            : writeWholeFile(marks, coded))) {
                    fail(kExitEncode, "the marks of page " + std::to_string(page) + " could not be written", nullptr);
                }
                if (alone) {
                    continue;
                }
            }
            for (auto& step : planner_.assemblySteps(page, task.shared, task.dictionary > 0 ? dictionary : L"", marks)) {
                task.steps.push_back(std::move(step));
            }
        }
        entry = shapeGroups_.erase(entry);
        coded = true;
    }
    return coded;
}

// The finished page includes its group's dictionary file in place of the copy it was made
// with, so the bundle holds the dictionary once, and takes its text and links.
void Conversion::completeSharedPage(const PageTask& task)
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
        fail(kExitEncode, "page " + std::to_string(task.page) + " could not be finished", nullptr);
    }
}
