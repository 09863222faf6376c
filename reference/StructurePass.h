// The book's structure beside its pages: the document's outline, page labels and
// information read with the PDF tool (qpdf) while the pages are converted (first an
// overview, then the objects it names), and written into the bundle with djvused at the
// end. A PostScript document is read from the PDF the renderer makes of it (its pdfmarks
// and comments become that PDF's outline, labels and information).
#pragma once

#include "reference/ConsoleLines.h"
#include "reference/Options.h"
#include "reference/RenderPasses.h"
#include "reference/host/ToolHost.h"
#include "reference/page/PagePlan.h"
#include "reference/text/DocumentStructure.h"

#include <windows.h>

#include <memory>
#include <string>

namespace reference {

class StructurePass {
public:
    StructurePass(const Options& options, ToolHost& host, const PageFiles& files, ConsoleLines& console,
        const RenderPasses& renderer, HANDLE stop);

    // Starts the reading once its PDF is there, and follows it; true when something happened.
    bool poll();
    // Waits for the reading, then gives the bundle of pages its outline, page titles and
    // metadata. False when djvused failed: a notice said so, and the pages must be
    // bundled again without them.
    bool writeInto(const std::wstring& bundle, int pages);
    // The running job (for stopping every tool), or nullptr.
    ToolJob* job() const { return job_.get(); }
    void release() { job_.reset(); }

private:
    std::wstring tool(const std::wstring& path) const { return host_.toolPath(path); }
    void start();
    void lookUpObjects();
    std::string failure(const std::string& what) const;

    const Options& options_;
    ToolHost& host_;
    const PageFiles& files_;
    ConsoleLines& console_;
    const RenderPasses& renderer_;
    HANDLE stop_;

    bool started_ = false;
    PdfStructureReader reader_{false};
    std::wstring pdf_;             // the PDF read, in the tools' form
    std::unique_ptr<ToolJob> job_;
    bool overview_ = true;         // the running job is the overview (else the objects' look-up)
    std::string report_;
    std::string lastMessage_;      // the tool's last message line, for a notice
    std::string notice_;           // why the structure could not be read; said once the pages are made
};

} // namespace reference
