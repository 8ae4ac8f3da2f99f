// A stand-in for the browser, for the start-up's faults: it takes the
// DevTools pipe as Chromium does (it reads descriptor 3, writes 4) and
// answers as STANDIN_MODE, given when it is built, says:
//   silent     nothing, ever
//   noattach   its version and one page target, then an error to the attach
// It ends when the program closes the pipe or asks the browser to close.
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// The value of "key": in a compact JSON message, as text.
std::string valueOf(const std::string &message, const std::string &key)
{
    const std::string marker = "\"" + key + "\":";
    const std::size_t at = message.find(marker);
    if (at == std::string::npos)
        return {};
    std::size_t from = at + marker.size();
    if (message[from] == '"') {
        const std::size_t end = message.find('"', from + 1);
        return message.substr(from + 1, end - from - 1);
    }
    std::size_t end = from;
    while (end < message.size() && message[end] >= '0' && message[end] <= '9')
        ++end;
    return message.substr(from, end - from);
}

void send(const std::string &message)
{
    const std::string framed = message + '\0';
    std::size_t written = 0;
    while (written < framed.size()) {
        const ssize_t got = ::write(4, framed.data() + written, framed.size() - written);
        if (got <= 0)
            std::exit(0);
        written += std::size_t(got);
    }
}

void answer(const std::string &mode, const std::string &message)
{
    const std::string id = valueOf(message, "id");
    const std::string method = valueOf(message, "method");
    if (method == "Browser.close")
        std::exit(0);
    if (mode != "noattach")
        return;
    if (method == "Browser.getVersion")
        send("{\"id\":" + id + ",\"result\":{\"product\":\"Chrome/120.0.0.0\",\"userAgent\":\"Mozilla/5.0 HeadlessChrome/120.0.0.0\"}}");
    else if (method == "Target.getTargets")
        send("{\"id\":" + id + ",\"result\":{\"targetInfos\":[{\"targetId\":\"T1\",\"type\":\"page\",\"url\":\"about:blank\"}]}}");
    else if (method == "Target.attachToTarget")
        send("{\"id\":" + id + ",\"error\":{\"code\":-32602,\"message\":\"No target with given id found\"}}");
}

} // namespace

int main()
{
    const std::string mode = STANDIN_MODE;
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(3, buffer, sizeof buffer);
        if (got <= 0)
            return 0;
        pending.append(buffer, std::size_t(got));
        for (std::size_t end; (end = pending.find('\0')) != std::string::npos;) {
            answer(mode, pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
}
