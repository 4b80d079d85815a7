// Keystroke text with key names, as a template or a device command gives it.
#include "FuzzInput.h"
#include "base/delivery/KeyTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)KeyTokenizer::keyTokensOf(QString::fromUtf8(FuzzInput::bytes(data, size)));
    (void)KeyTokenizer::keyTokensOf(QString::fromLatin1(FuzzInput::bytes(data, size)));
    return 0;
}
