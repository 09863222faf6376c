// Pages that share shape dictionaries: each page's marks are cut into shapes as the page
// is planned; once every page of a group has come in, the group's dictionary and pages
// are coded on a thread of the group's own and each page is made of its coded marks.
#pragma once

#include "reference/ConsoleLines.h"
#include "reference/Options.h"
#include "reference/PageTask.h"
#include "reference/djvu/SharedShapes.h"
#include "reference/host/WorkQueue.h"
#include "reference/page/PagePlan.h"

#include <atomic>
#include <map>
#include <memory>
#include <vector>

namespace reference {

class ShapeGroupCoder {
public:
    ShapeGroupCoder(const Options& options, const PagePlanner& planner, const PageFiles& files,
        ConsoleLines& console);

    // Hands the planned page's marks to its group (those in memory are moved there).
    void collect(PageTask& task);
    // Asks for the coding of the groups whose pages have all come in (all pages rendered
    // so far when the renderer has ended), and gives the pages of coded groups their
    // steps; true when a group was coded.
    bool encodeGroups(std::map<int, PageTask>& pages, bool rendering, int rendered);
    // The finished page includes its group's dictionary file and takes its text and links.
    void completePage(const PageTask& task);
    // True while the page's marks came in and wait to be cut into shapes.
    bool waitsToBeCut(int page) const;
    // Pages that came in to groups not coded yet.
    int pendingPages() const;
    // Milliseconds the coding of a group takes per page, as measured on the groups coded so
    // far; guess when none is.
    double msPerPage(double guess) const;
    // A group being coded is not waited for (the process ends).
    void drop();
    void release() { groups_.clear(); }

private:
    // A group of pages sharing a dictionary, while its pages' marks come in and are
    // coded on the group's own thread (groups are coded side by side: the last ones need
    // not wait for those before them once the pages are rendered).
    struct GroupWork {
        std::vector<int> collected;     // pages whose marks came in, in their order (main thread)
        bool posted = false;            // its coding is asked for (main thread)
        ShapeGroup shapes;              // the group's thread
        std::vector<int> taken;         // the pages the group took, in its order (the group's thread)
        ShapeGroup::Encoded encoded;    // the group's thread, until coded is set
        std::atomic<bool> coded{false};
        std::atomic<int> cut{0};        // pages cut into shapes (or left to the page encoder)
        WorkQueue coder;                // last: stopped before the rest goes
    };

    const Options& options_;
    const PagePlanner& planner_;
    const PageFiles& files_;
    ConsoleLines& console_;
    std::map<int, std::unique_ptr<GroupWork>> groups_; // by group number (0 for the first)
    std::atomic<long long> codingMs_{0};  // the groups' threads
    std::atomic<long long> codedPages_{0};
};

} // namespace reference
