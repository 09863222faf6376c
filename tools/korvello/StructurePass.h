// Reads the document's outline, page labels and information with the PDF tool (qpdf)
// while the pages are converted: first an overview, then the objects it names. A
// PostScript document is read from the PDF the renderer makes of it (its pdfmarks and
// comments become the PDF's outline, labels and information).
#pragma once

#include "DocumentStructure.h"
#include "ToolHost.h"

#include <memory>
#include <string>
#include <vector>

class StructurePass {
public:
    StructurePass(ToolHost& host, bool fromPostScript) : host_(host), reader_(fromPostScript) {}

    // The overview's run of the PDF tool on pdf (in the tools' form).
    static Step overviewStep(const std::wstring& pdf);
    // Starts the steps, the last of which is overviewStep() (earlier ones may make the
    // PDF); false when they could not be started.
    bool start(const std::vector<Step>& steps, const std::wstring& pdf);
    // Follows the runs; true when something happened.
    bool poll();
    bool running() const { return job_ != nullptr; }
    ToolJob* job() const { return job_.get(); }
    const DocumentStructure& structure() const { return reader_.structure(); }
    // Why the structure could not be read; empty when it was. Said only once the pages
    // are made: a document that fails anyway says why in the renderer's words.
    const std::string& notice() const { return notice_; }

private:
    std::string failure(const std::string& what) const;

    ToolHost& host_;
    PdfStructureReader reader_;
    std::wstring pdf_;
    std::unique_ptr<ToolJob> job_;
    bool overview_ = true; // the running job is the overview (else the objects' look-up)
    std::string report_;
    std::string lastLine_;
    std::string notice_;
};
