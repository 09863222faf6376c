#include "reference/page/PagePlan.h"

#include "reference/page/MarkColours.h"
#include "reference/page/PageImage.h"
#include "reference/page/PageLayers.h"
#include "reference/host/Files.h"
#include "reference/host/ToolHost.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace reference {

namespace {

// The encoders take resolutions up to these; the page's own resolution (up to DjVu's
// highest) is then set by djvumake, which joins the page.
constexpr int kBitonalEncoderMaxDpi = 1200;
constexpr int kPictureEncoderMaxDpi = 4800;

} // namespace

std::wstring PageFiles::name(const wchar_t* stem, int page, const wchar_t* extension)
{
    wchar_t name[64] = {};
    swprintf(name, 64, L"%ls%05d%ls", stem, page, extension);
    return name;
}

std::wstring PageFiles::file(const wchar_t* stem, int page, const wchar_t* extension) const
{
    return folder + L"\\" + name(stem, page, extension);
}

std::wstring PagePlanner::tool(const std::wstring& path) const
{
    return host_.toolPath(path);
}

std::vector<std::wstring> PagePlanner::bitonalQuality() const
{
    const std::string& level = options_.fgQuality;
    if (level == "quasilossless") {
        return {L"-clean"};
    }
    if (level == "conservative") {
        return {L"-losslevel", L"50"};
    }
    if (level == "lossy") {
        return {L"-lossy"};
    }
    if (level == "aggressive") {
        return {L"-losslevel", L"200"};
    }
    return {};
}

Step PagePlanner::bitonalStep(int dpi, const std::wstring& pbm, const std::wstring& djvu) const
{
    Step step{"cjb2", {L"-dpi", std::to_wstring(std::min(dpi, kBitonalEncoderMaxDpi))}};
    for (const auto& argument : bitonalQuality()) {
        step.arguments.push_back(argument);
    }
    step.arguments.push_back(tool(pbm));
    step.arguments.push_back(tool(djvu));
    return step;
}

std::vector<std::wstring> PagePlanner::pictureQuality() const
{
    if (!options_.bgSlices.empty()) {
        return {L"-slice", options_.bgSlices};
    }
    return {L"-decibel", std::to_wstring(16 + options_.quality * 34 / 100)};
}

bool PagePlanner::planEncoding(int page, const std::wstring& image, const PnmHeader& header, int dpi,
    std::deque<Step>& steps, std::string& problem, SharedMaskPlan& shared) const
{
    shared.width = header.width;
    shared.height = header.height;
    shared.dpi = std::clamp(dpi, kDjVuMinDpi, kDjVuMaxDpi);
    if (header.kind == 4) { // the renderer found only black and white: the image is the mask
        shared.marks = image;
        shared.marksAt = header.pixelsAt;
        if (!sharesShapes()) {
            marksAlone(page, shared, steps);
        }
        return true;
    }
    PageImage picture;
    if (!picture.load(image, header)) {
        problem = "the rendered image of page " + std::to_string(page) + " could not be read";
        return false;
    }
    DeleteFileW(image.c_str()); // the page is in memory: the temporary space stays small
    planPicture(page, picture, dpi, steps, shared);
    return true;
}

bool PagePlanner::planBanded(int page, PageBands& bands, int dpi, std::deque<Step>& steps, std::string& problem,
    SharedMaskPlan& shared) const
{
    shared.width = bands.width();
    shared.height = bands.height();
    shared.dpi = std::clamp(dpi, kDjVuMinDpi, kDjVuMaxDpi);
    if (bands.kind() != 4) {
        PageImage picture = bands.takeImage();
        planPicture(page, picture, dpi, steps, shared);
        return true;
    }
    // Every band was black and white: the joined bands are the mask.
    shared.marks = files_.file(L"mask", page, L".pbm");
    shared.bits = bands.takeBits();
    if (!sharesShapes()) {
        if (!PageImage::writePackedPbm(shared.marks, shared.bits, shared.width, shared.height)) {
            problem = "the marks of page " + std::to_string(page) + " could not be written";
            return false;
        }
        shared.bits.clear();
        marksAlone(page, shared, steps);
    }
    return true;
}

void PagePlanner::planPicture(int page, const PageImage& picture, int dpi, std::deque<Step>& steps,
    SharedMaskPlan& shared) const
{
    // Marks go to the bitonal coder, each in its colour; a page that holds more than marks
    // on white (pictures, shading, filled areas) gets a subsampled background as well.
    PageLayers layers = separateLayers(picture, options_.thresholdLevel, dpi, options_.separate);
    const int colours = layers.background ? options_.fgImageColors : options_.fgColors;
    const MarkColours colouring = colourMarks(picture, layers.marks, colours);
    const std::string& zones = colouring.zones;
    layers.background = layers.background || colouring.movedToBackground;
    if (layers.background) {
        shared.backgroundFactor = backgroundFactor(picture.width, picture.height);
        picture.writeBackground(files_.file(L"bg", page, L".ppm"), files_.file(L"bg", page, L".pbm"), layers.marks,
            shared.backgroundFactor);
    }
    shared.marks = files_.file(L"mask", page, L".pbm");
    if (sharesShapes()) {
        shared.bits = PageImage::pack(layers.marks, picture.width, picture.height); // the group's coder takes them
    } else {
        PageImage::writePbm(shared.marks, layers.marks, picture.width, picture.height);
    }
    if (!layers.background && zones.empty()) {
        if (!sharesShapes()) {
            marksAlone(page, shared, steps);
        }
        return;
    }
    shared.chunks.push_back(L"FGbz=" + fromUtf8(zones.empty() ? std::string("#000000") : zones));
    if (layers.background) {
        shared.chunks.push_back(backgroundSteps(page, dpi, shared.backgroundFactor, steps));
    }
    if (!sharesShapes()) {
        for (auto& step : assemblySteps(page, shared, {}, {})) {
            steps.push_back(std::move(step));
        }
    }
}

void PagePlanner::marksAlone(int page, const SharedMaskPlan& plan, std::deque<Step>& steps) const
{
    if (plan.dpi <= kBitonalEncoderMaxDpi) {
        // Black marks only: cjb2's page is the page.
        steps.push_back(bitonalStep(plan.dpi, plan.marks, files_.djvu(page)));
        return;
    }
    for (auto& step : assemblySteps(page, plan, {}, {})) {
        steps.push_back(std::move(step));
    }
}

int PagePlanner::backgroundFactor(int width, int height) const
{
    int factor = std::clamp(options_.bgSubsample, 1, 12);
    auto bytes = [&](int by) {
        return 3ull * static_cast<unsigned long long>((width + by - 1) / by) * static_cast<unsigned long long>((height + by - 1) / by);
    };
    while (factor < 12 && bytes(factor) > backgroundBudget_) {
        ++factor;
    }
    return factor;
}

std::wstring PagePlanner::backgroundSteps(int page, int dpi, int factor, std::deque<Step>& steps) const
{
    const std::wstring backgroundFile = files_.file(L"bg", page, L".djvu");
    // Colour at full resolution of the background: at half, a saturated shape bleeds into the white around it.
    const int resolution = std::max(kDjVuMinDpi, std::min(dpi / factor, kPictureEncoderMaxDpi));
    Step step{"c44", {L"-dpi", std::to_wstring(resolution), L"-crcbfull", L"-mask",
        tool(files_.file(L"bg", page, L".pbm"))}};
    for (const auto& argument : pictureQuality()) {
        step.arguments.push_back(argument);
    }
    step.arguments.push_back(tool(files_.file(L"bg", page, L".ppm")));
    step.arguments.push_back(tool(backgroundFile));
    steps.push_back(step);
    // djvumake takes the background as raw IW44 data, which djvuextract takes out of
    // c44's single-page file.
    const std::wstring backgroundData = files_.file(L"bg", page, L".iw44");
    steps.push_back({"djvuextract", {tool(backgroundFile), L"BG44=" + tool(backgroundData)}});
    return L"BG44=" + tool(backgroundData);
}

std::vector<Step> PagePlanner::assemblySteps(int page, const SharedMaskPlan& plan, const std::wstring& dictionary,
    const std::wstring& codedMarks) const
{
    std::vector<Step> steps;
    std::wstring marks = codedMarks;
    if (marks.empty()) {
        marks = files_.file(L"mask", page, L".djvu");
        steps.push_back(bitonalStep(plan.dpi, plan.marks, marks));
    }
    // The dictionary goes into the page while it is made and annotated, so every tool
    // reads the page alone; the finished page includes the group's dictionary file instead.
    Step make{"djvumake", {tool(files_.djvu(page)), plan.info()}};
    if (!dictionary.empty()) {
        make.arguments.push_back(L"Djbz=" + tool(dictionary));
    }
    make.arguments.push_back(L"Sjbz=" + tool(marks));
    for (const auto& chunk : plan.chunks) {
        make.arguments.push_back(chunk);
    }
    steps.push_back(make);
    return steps;
}

int PagePlanner::textResolution() const
{
    // The renderer places characters to the pixel: at a fine resolution the gaps between
    // them, which tell words apart, are exact enough.
    return std::max(options_.dpi, 1200);
}

Step pdfOfDocument(std::vector<std::wstring> rendererOptions, const std::wstring& input, const std::wstring& pdf)
{
    Step step{"gs", std::move(rendererOptions)};
    step.arguments.insert(step.arguments.end(), {L"-q", L"-sDEVICE=pdfwrite", L"-dOmitInfoDate",
        L"-dAutoRotatePages=/None", L"-o", pdf, input});
    return step;
}

std::vector<Step> PagePlanner::textSteps(const std::vector<std::wstring>& rendererOptions, bool postScript) const
{
    std::vector<Step> steps;
    std::wstring source = tool(options_.input);
    if (postScript) {
        // The renderer's text of PostScript gives dvips documents absurd widths and
        // rotated characters the box of their whole run; the text of the same pages made
        // PDF first (unrotated, like the rendering) is right.
        const std::wstring pdf = tool(files_.folder + L"\\text.pdf");
        steps.push_back(pdfOfDocument(rendererOptions, source, pdf));
        source = pdf;
    }
    Step step{"gs", rendererOptions};
    step.arguments.insert(step.arguments.end(), {L"-q", L"-r" + std::to_wstring(textResolution()), L"-sDEVICE=txtwrite",
        L"-dTextFormat=0", L"-o", tool(files_.folder + L"\\text%05d.xml"), source});
    steps.push_back(step);
    return steps;
}

std::string PagePlanner::annotationScript(const std::string& textXml, const std::string& links, int width, int height,
    int dpi) const
{
    std::string script;
    if (options_.text != TextLevel::None && !textXml.empty()) {
        std::vector<TextPage> pages = parseTextOutput(textXml);
        if (!pages.empty()) {
            // The text was laid out at the run's resolution; a page encoded at a lower one
            // (too large for DjVu) takes its text scaled down.
            scaleTextPage(pages.front(), dpi, textResolution());
            const std::string expression = pageTextExpression(pages.front(), options_.text, width, height, dpi,
                options_.noSpaces);
            if (!expression.empty()) {
                script += "select 1\nset-txt\n" + expression + "\n.\n";
            }
        }
    }
    if (!links.empty()) {
        script += "select 1\nset-ant\n" + links + "\n.\n";
    }
    return script.empty() ? script : script + "save\n";
}

std::vector<Step> PagePlanner::annotationSteps(int page, const std::wstring& script, bool text) const
{
    std::vector<Step> steps = {{"djvused", {L"-f", tool(script), tool(annotatedFile(page))}}};
    if (text) {
        steps.push_back({"djvutxt", {L"-detail=page", tool(annotatedFile(page)),
            tool(files_.file(L"check", page, L".txt"))}});
    }
    return steps;
}

Step PagePlanner::textRemovalStep(int page) const
{
    return {"djvused", {tool(annotatedFile(page)), L"-e", L"remove-txt", L"-s"}};
}

} // namespace reference
