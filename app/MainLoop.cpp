#include "app/MainLoop.h"

namespace app {

int runMainLoop(const MainLoopServices& services)
{
    for (;;) {
        std::unique_ptr<SettingsPass> sheet = services.createSheet();
        const INT_PTR result = sheet->show(GetActiveWindow());
        if (result != 1) {
            return static_cast<int>(result);
        }
        const ConversionRequest request = sheet->request();
        const bool endProgram = request.documents.size() + request.arrivals.size() >= 2 ? services.runQueue(request) : services.runConversion(request);
        // The sheet goes before the next pass builds another one.
        sheet.reset();
        if (endProgram) {
            return 1;
        }
    }
}

} // namespace app
