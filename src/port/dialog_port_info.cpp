// port_info.txt: the settings of the last successful open, for other tools to look at.

#include "platform/text_file.h"
#include "ui/mirovan_dlg.h"

void CMirovanDlg::WritePortInfo(const std::string& portName, std::int32_t baudIndex,
                                std::int32_t dataBitsIndex, std::int32_t stopBitsIndex,
                                std::int32_t parityIndex) {
    const std::string lines = portName + "\n" + std::to_string(baudIndex) + "\n" +
                              std::to_string(dataBitsIndex) + "\n" + std::to_string(stopBitsIndex) +
                              "\n" + std::to_string(parityIndex) + "\n";
    // The port is already open and nothing depends on the file: a failure changes nothing else.
    (void)platform::WriteTextFile("port_info.txt", lines);
}
