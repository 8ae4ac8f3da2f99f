// The settings load: a save followed by a load gives back the fragment, the
// limit and the non-empty phrases.
#include "fuzzcheck.h"
#include "store/settingsfile.h"
#include "store/textfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<Settings> loaded = SettingsFile::fromLines(TextFile::decodeLines(bytes));
    if (!loaded) {
        FUZZ_CHECK(TextFile::splitLines(bytes).size() < 2);
        return 0;
    }
    const QByteArray saved = TextFile::encodeLines(SettingsFile::toLines(*loaded));
    const std::optional<Settings> again = SettingsFile::fromLines(TextFile::decodeLines(saved));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->fragment == loaded->fragment);
    FUZZ_CHECK(again->pageLimit == loaded->pageLimit);
    QStringList phrases = loaded->history;
    phrases.removeAll(QString());
    FUZZ_CHECK(again->history == phrases);
    return 0;
}
