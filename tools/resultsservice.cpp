#include "resultsservice.h"

#include <dirent.h>
#include <fcntl.h>

#include <httplib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

namespace results {

namespace {

constexpr long kGeneratedByDefault = 1000;
constexpr long kResultsPerPage = 10;

std::string trim(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string escapeHtml(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// A stable word for a phrase, so that generated addresses differ by phrase.
std::string slug(const std::string &phrase)
{
    std::string out;
    for (unsigned char c : phrase) {
        if (std::isalnum(c))
            out += char(std::tolower(c));
        else if (!out.empty() && out.back() != '-')
            out += '-';
    }
    while (!out.empty() && out.back() == '-')
        out.pop_back();
    return out.empty() ? "ricerca" : out;
}

std::string hostOf(const std::string &address)
{
    const auto start = address.find("//");
    if (start == std::string::npos)
        return address;
    const auto end = address.find('/', start + 2);
    return address.substr(start + 2, end == std::string::npos ? std::string::npos : end - start - 2);
}

bool contains(const std::vector<long> &offsets, long offset)
{
    return std::find(offsets.begin(), offsets.end(), offset) != offsets.end();
}

std::string percentEncoded(const std::string &text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

// Today's pages hold 8 to 11 results each, in this order of counts.
int resultsOnPage(long page)
{
    static const int counts[] = {8, 11, 10, 9};
    return counts[page % 4];
}

long firstResultOfPage(long page)
{
    long first = 0;
    for (long i = 0; i < page; ++i)
        first += resultsOnPage(i);
    return first;
}

const char kConsentCookie[] = "CONSENT=YES";
const char kCheckCookie[] = "ABUSE_EXEMPTION=1";

bool hasCookie(const httplib::Request &request, const std::string &cookie)
{
    return request.get_header_value("Cookie").find(cookie) != std::string::npos;
}

// The same service under its other name: localhost for 127.0.0.1, and back.
std::string otherHostName(const std::string &host)
{
    const auto colon = host.rfind(':');
    const std::string port = colon == std::string::npos ? std::string() : host.substr(colon);
    const std::string name = host.substr(0, colon);
    return (name == "127.0.0.1" ? "localhost" : "127.0.0.1") + port;
}

// Only addresses of this service are followed back.
std::string continueAddress(const httplib::Request &request)
{
    const std::string address = request.get_param_value("continue");
    const std::string host = hostOf(address);
    const std::string own = request.get_header_value("Host");
    if (address.rfind("http://", 0) != 0 || (host != own && host != otherHostName(own)))
        return "/";
    return address;
}

// The buttons stand at a fixed place, so that a test can press them.
const char kButtonStyle[] =
    "<style>body{font-family:arial,sans-serif;margin:0}.b{position:fixed;top:130px;width:180px;height:40px;"
    "font-size:16px}.a{background:#1a73e8;color:#fff;border:0}</style>";

} // namespace

Catalog Catalog::parse(const std::string &text)
{
    Catalog catalog;
    std::istringstream in(text);
    std::string line;
    PhraseResults *current = nullptr;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.rfind("@consent", 0) == 0 && (line.size() == 8 || line[8] == ' ')) {
            catalog.m_consent = true;
            std::istringstream words(line.substr(8));
            for (std::string word; words >> word;) {
                catalog.m_consentLook.viewport |= word == "viewport";
                catalog.m_consentLook.wide |= word == "wide";
            }
            continue;
        }
        if (line.rfind("@limite ", 0) == 0) {
            std::istringstream words(line.substr(8));
            RateLimit limit;
            std::string mode;
            if (words >> limit.searches >> limit.seconds >> limit.blockSeconds) {
                limit.untilAnswered = words >> mode && mode == "risposta";
                catalog.m_limit = limit;
            }
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            current = &catalog.m_phrases[line.substr(1, line.size() - 2)];
            continue;
        }
        if (!current)
            continue;
        if (line[0] != '@') {
            current->addresses.push_back(line);
            continue;
        }
        std::istringstream words(line.substr(1));
        std::string directive;
        long offset = 0;
        words >> directive;
        if (directive == "generate" && words >> offset) {
            const auto phrase = std::find_if(catalog.m_phrases.begin(), catalog.m_phrases.end(),
                                             [current](const auto &entry) { return &entry.second == current; });
            for (auto &address : generatedAddresses(phrase->first, offset))
                current->addresses.push_back(std::move(address));
        } else if (directive == "nomarkers" && words >> offset) {
            current->pagesWithoutMarkers.push_back(offset);
        } else if (directive == "silent" && words >> offset) {
            current->silentPages.push_back(offset);
        } else if (directive == "cut" && words >> offset) {
            current->cutPages.push_back(offset);
        } else if (directive == "hang" && words >> offset) {
            current->hangingPages.push_back(offset);
        } else if (directive == "noresults" && words >> offset) {
            current->noResultsPages.push_back(offset);
            for (std::string word; words >> word;) {
                if (word == "ads")
                    current->noResults.ads = true;
                else if (word == "it" || word == "en" || word == "ru")
                    current->noResults.language = word;
                else
                    current->noResults.layout = word;
            }
        } else if (directive == "unknown" && words >> offset) {
            current->unknownPages.push_back(offset);
        } else if (directive == "fail" && words >> offset) {
            words >> current->failingPages[offset];
        } else if (directive == "aiplaceholder") {
            current->aiPlaceholder = true;
        } else if (directive == "today") {
            current->today = true;
        } else if (directive == "video" && words >> offset) {
            current->videoResults.push_back(offset);
        } else if (directive == "forum" && words >> offset) {
            current->forumResults.push_back(offset);
        } else if (directive == "app") {
            current->app = true;
        } else if (directive == "recipes") {
            current->recipes = true;
        } else if (directive == "sections") {
            current->sections = true;
        } else if (directive == "luogo") {
            // name | website | latitude,longitude
            std::string rest;
            std::getline(words, rest);
            std::vector<std::string> fields;
            for (std::size_t from = 0;;) {
                const std::size_t bar = rest.find('|', from);
                fields.push_back(trim(rest.substr(from, bar == std::string::npos ? std::string::npos : bar - from)));
                if (bar == std::string::npos)
                    break;
                from = bar + 1;
            }
            Business business;
            if (fields.size() == 3 && std::sscanf(fields[2].c_str(), "%lf,%lf", &business.latitude, &business.longitude) == 2) {
                business.name = fields[0];
                business.website = fields[1];
                current->businesses.push_back(business);
            }
        } else if (directive == "cookienotice") {
            current->cookieNotice = true;
        } else if (directive == "onepage") {
            current->onePage = true;
        } else if (directive == "featured") {
            words >> current->featured;
        } else if (directive == "ai" || directive == "ai-dopo" || directive == "ai-mai") {
            if (directive == "ai-dopo" && !(words >> current->aiAfter))
                continue;
            current->aiNeverDone = directive == "ai-mai";
            if (current->aiNeverDone)
                current->aiAfter = 300;
            for (std::string address; words >> address;)
                current->aiCited.push_back(address);
        } else if (directive == "ads") {
            words >> current->adsTop >> current->adsBottom;
        } else if (directive == "check" && words >> offset) {
            current->checkPages.push_back(offset);
        } else if (directive == "slow" && words >> offset) {
            int delay = 0;
            if (words >> delay)
                current->slowPages[offset] = delay;
        }
    }
    return catalog;
}

std::optional<Catalog> Catalog::load(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

PhraseResults Catalog::resultsFor(const std::string &phrase) const
{
    const auto found = m_phrases.find(phrase);
    if (found != m_phrases.end())
        return found->second;
    PhraseResults generated;
    generated.addresses = generatedAddresses(phrase, kGeneratedByDefault);
    return generated;
}

std::vector<std::string> generatedAddresses(const std::string &phrase, long count)
{
    std::vector<std::string> addresses;
    const std::string word = slug(phrase);
    for (long i = 1; i <= count; ++i)
        addresses.push_back("http://www.sito" + std::to_string(i) + ".esempio.it/" + word + "/pagina-" + std::to_string(i) + ".html");
    return addresses;
}

std::string resultsPage(const std::string &phrase, long offset, const PhraseResults &results)
{
    const std::string title = escapeHtml(phrase);
    std::string page;
    page += "<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\">\n";
    page += "<title>" + title + " - Cerca con Google</title>\n";
    page += "<style>body{margin:0;font-family:arial,sans-serif}a{color:#1a0dab}"
            ".logo{background:url(\"//www.gstatic.com/images/branding/logo.png\") no-repeat}</style>\n";
    page += "<script>var google={kEI:\"x7Y3b\",sn:\"web\",base:\"//www.google.it/\"};"
            "function rwt(a){return true;}</script>\n";
    page += "</head><body>\n<div id=\"gb\"><a href=\"https://accounts.google.com/ServiceLogin?hl=it\">Accedi</a> "
            "<a href=\"/preferences?hl=it\">Impostazioni</a></div>\n";
    page += "<form action=\"/search\"><input name=\"q\" value=\"" + title + "\"></form>\n";
    page += "<div id=\"res\"><ol>\n";

    const bool withoutMarkers = contains(results.pagesWithoutMarkers, offset);
    const long total = long(results.addresses.size());
    if (!withoutMarkers) {
        for (long i = offset; i < std::min(total, offset + kResultsPerPage); ++i) {
            const std::string address = escapeHtml(results.addresses[std::size_t(i)]);
            page += "<li class=\"g\"><h3 class=r><a href=\"" + address + "\" onmousedown=\"return rwt(this)\">"
                + "Risultato " + std::to_string(i + 1) + " per " + title + "</a></h3>"
                + "<div class=\"s\"><cite>" + escapeHtml(hostOf(results.addresses[std::size_t(i)]))
                + "</cite> Una pagina che parla di " + title + ".</div></li>\n";
        }
    }
    page += "</ol></div>\n<div id=\"foot\"><a href=\"/search?q=" + title + "&amp;start="
        + std::to_string(offset + kResultsPerPage) + "\">Successivo</a></div>\n";
    page += "<p>Nessun altro risultato? Prova con parole diverse.</p>\n</body></html>\n";
    return page;
}

namespace {

std::string fromBase64(const std::string &text)
{
    static const std::string table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    int bits = 0;
    unsigned value = 0;
    for (char c : text) {
        const std::size_t digit = table.find(c == ' ' ? '+' : c == '-' ? '+' : c == '_' ? '/' : c);
        if (digit == std::string::npos)
            continue;   // padding and line ends
        value = (value << 6) | unsigned(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(char((value >> bits) & 0xff));
        }
    }
    return bytes;
}

// The number after "key:" in a location record, when it holds one.
std::optional<long long> recordNumber(const std::string &record, const std::string &key)
{
    const std::size_t at = record.find(key + ":");
    if (at == std::string::npos)
        return std::nullopt;
    char *end = nullptr;
    const char *start = record.c_str() + at + key.size() + 1;
    const long long value = std::strtoll(start, &end, 10);
    return end == start ? std::nullopt : std::optional<long long>(value);
}

double kilometresBetween(double latitude1, double longitude1, double latitude2, double longitude2)
{
    constexpr double kEarthKm = 6371.0;
    constexpr double kRadians = 3.14159265358979323846 / 180.0;
    const double dLat = (latitude2 - latitude1) * kRadians;
    const double dLon = (longitude2 - longitude1) * kRadians;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(latitude1 * kRadians) * std::cos(latitude2 * kRadians) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthKm * std::asin(std::sqrt(a));
}

std::string echoOf(const SearchEcho &echo)
{
    if (echo.country.empty() && echo.language.empty() && echo.place.empty())
        return std::string();
    return "<div id=\"eco\" hidden data-gl=\"" + escapeHtml(echo.country) + "\" data-hl=\"" + escapeHtml(echo.language)
        + "\" data-uule=\"" + escapeHtml(echo.place) + "\" data-luogo=\"" + escapeHtml(decodedPlace(echo.place)) + "\"></div>\n";
}

// The places block in today's markup for a computer: each business's name
// links to Maps, its website and the way there stand under it.
std::string desktopPlaces(const std::string &phrase, const std::vector<Business> &businesses)
{
    std::string html = "<div class=\"Qq3Lb\"><div class=\"luoghi-titolo\"><h2 role=\"heading\" aria-level=\"2\">Luoghi</h2></div>"
        "<div class=\"mappa\"><a href=\"/search?q=" + percentEncoded(phrase) + "&amp;tbm=lcl\"><span>Mappa</span></a></div>";
    int cid = 0;
    for (const Business &business : businesses) {
        const std::string name = escapeHtml(business.name);
        ++cid;
        html += "<div class=\"VkpGBb\"><div class=\"cXedhc\"><a class=\"vwVdIc\" href=\"https://maps.google.com/maps?cid="
            + std::to_string(cid) + "\"><div role=\"heading\" aria-level=\"3\"><span class=\"OSrXXb\">" + name
            + "</span></div><div class=\"rllt__details\">4,6 \xe2\x98\x85 \xc2\xb7 Idraulico \xc2\xb7 Via Roma " + std::to_string(cid)
            + "</div></a></div><div class=\"lcl-azioni\">";
        if (!business.website.empty())
            html += "<a class=\"yYlJEf\" href=\"" + escapeHtml(business.website) + "\"><span>Sito web</span></a>";
        html += "<a class=\"VByer\" href=\"https://www.google.com/maps/dir//" + percentEncoded(business.name) + "\"><span>Indicazioni"
                "</span></a></div></div>";
    }
    return html + "<a href=\"/search?q=" + percentEncoded(phrase) + "&amp;tbm=lcl\"><span>Altri luoghi</span></a></div>\n";
}

// The places block in today's markup for a phone: each business a card, its
// website wrapped as the phone's links are.
std::string phonePlaces(const std::vector<Business> &businesses)
{
    std::string html = "<div class=\"xERobd\" data-block=\"luoghi\"><div role=\"heading\" aria-level=\"2\">Luoghi</div>";
    int cid = 0;
    for (const Business &business : businesses) {
        ++cid;
        html += "<div data-cid=\"" + std::to_string(cid) + "\"><a class=\"cz3goc\" href=\"https://maps.google.com/?cid="
            + std::to_string(cid) + "\"><div role=\"heading\" aria-level=\"3\" class=\"v7jaNc\">" + escapeHtml(business.name)
            + "</div><div class=\"UPmit\"><span>Idraulico \xc2\xb7 Aperto</span></div></a><div class=\"azioni\">";
        if (!business.website.empty())
            html += "<a aria-label=\"Sito web\" href=\"/url?q=" + percentEncoded(business.website) + "&amp;sa=U\"><span>Sito</span></a>";
        html += "<a href=\"https://www.google.com/maps/dir//" + percentEncoded(business.name) + "\"><span>Indicazioni</span></a></div></div>";
    }
    return html + "</div>\n";
}

} // namespace

std::string decodedPlace(const std::string &uule)
{
    if (const auto coordinates = coordinatesOf(uule)) {
        char text[64];
        std::snprintf(text, sizeof text, "%.7f,%.7f", coordinates->first, coordinates->second);
        return text;
    }
    const std::string prefix = "w+CAIQICI";
    if (uule.rfind(prefix, 0) == 0 && uule.size() > prefix.size() + 1)
        return fromBase64(uule.substr(prefix.size() + 1));
    return std::string();
}

std::optional<std::pair<double, double>> coordinatesOf(const std::string &uule)
{
    if (uule.rfind("a+", 0) != 0 && uule.rfind("a ", 0) != 0)
        return std::nullopt;
    const std::string record = fromBase64(uule.substr(2));
    const auto latitude = recordNumber(record, "latitude_e7");
    const auto longitude = recordNumber(record, "longitude_e7");
    if (!latitude || !longitude)
        return std::nullopt;
    return std::pair{double(*latitude) / 1e7, double(*longitude) / 1e7};
}

std::vector<Business> businessesFrom(const std::vector<Business> &businesses, const std::string &uule)
{
    std::vector<Business> ordered = businesses;
    if (const auto from = coordinatesOf(uule)) {
        std::stable_sort(ordered.begin(), ordered.end(), [&from](const Business &a, const Business &b) {
            return kilometresBetween(from->first, from->second, a.latitude, a.longitude)
                 < kilometresBetween(from->first, from->second, b.latitude, b.longitude);
        });
    }
    if (ordered.size() > 3)
        ordered.resize(3);
    return ordered;
}

namespace {

// An organic result in today's markup; inside, what stands under its title.
std::string todayResult(const std::string &href, const std::string &heading, const std::string &site,
                        const std::string &inside = std::string(), const std::string &attributes = "class=\"g\"")
{
    return "<div class=\"MjjYud\"><div " + attributes + "><div class=\"yuRUbf\"><a jsname=\"UWckNb\" href=\"" + href
        + "\"><br><h3 class=\"LC20lb rIxsve\">" + heading + "</h3><div class=\"rVusze\"><cite>" + escapeHtml(site)
        + "</cite></div></a></div>" + inside + "</div></div>\n";
}

std::string atTime(const std::string &address, int seconds)
{
    return escapeHtml(address) + (address.find('?') == std::string::npos ? "?" : "&amp;") + "t=" + std::to_string(seconds);
}

// A single video result: the title, a thumbnail with the duration, and the
// key moments, links to the same video at given times.
std::string videoResult(const std::string &address, const std::string &heading)
{
    std::string moments = "<div class=\"keymoments\"><div role=\"heading\" aria-level=\"4\">In questo video</div>";
    const char *names[] = {"Gli ingredienti", "La preparazione", "Il risultato"};
    for (int i = 0; i < 3; ++i) {
        moments += "<a href=\"" + atTime(address, 60 + 120 * i) + "\"><span>" + std::to_string(1 + 2 * i) + ":00</span><span>"
            + names[i] + "</span></a>";
    }
    return "<div class=\"MjjYud\"><video-voyager><div class=\"g\"><div class=\"yuRUbf\"><a href=\"" + escapeHtml(address)
        + "\"><br><h3 class=\"LC20lb rIxsve\">" + heading + "</h3><cite>YouTube \xc2\xb7 Canale</cite></a></div>"
        "<a class=\"thumb\" href=\"" + escapeHtml(address) + "\"><span class=\"duration\">12:34</span></a>" + moments
        + "</div></div></video-voyager></div>\n";
}

// A forum thread, with rows of further threads of the same forum under it.
std::string forumResult(const std::string &href, const std::string &address, const std::string &heading)
{
    std::string rows = "<div class=\"forumrows\" role=\"list\">";
    for (int i = 2; i <= 3; ++i) {
        rows += "<div role=\"listitem\"><a href=\"" + escapeHtml(address) + "?discussione=" + std::to_string(i) + "\"><span>"
            "Un'altra discussione</span></a><span>" + std::to_string(4 * i) + " risposte</span></div>";
    }
    return todayResult(href, heading, hostOf(address) + " \xe2\x80\xba forum", rows + "</div>");
}

// Blocks with a heading of their own, whose cards use an organic result's markup.
std::string sectionsBlock(const std::string &phrase, const std::string &title)
{
    const std::string site = "https://www.sezioni-" + slug(phrase) + ".it/";
    std::string html = "<div class=\"cose\"><div role=\"heading\" aria-level=\"2\">Cose da sapere</div>";
    for (int aspect = 1; aspect <= 2; ++aspect) {
        html += "<div class=\"aspetto\" aria-expanded=\"true\"><div>Aspetto " + std::to_string(aspect) + " di " + title + "</div>";
        if (aspect == 2) {
            html += "<div><div role=\"heading\" aria-level=\"3\"><span>Panoramica AI</span></div><div>Una breve sintesi.</div>"
                "<a href=\"" + site + "sintesi\">fonte</a></div>";
        }
        html += todayResult(site + "aspetto-" + std::to_string(aspect), "Fonte dell'aspetto " + std::to_string(aspect),
                            "www.sezioni-" + slug(phrase) + ".it") + "</div>";
    }
    html += "</div>\n<div class=\"video\"><div role=\"heading\" aria-level=\"2\">Video</div>";
    for (int video = 1; video <= 3; ++video)
        html += videoResult("https://www.youtube.com/watch?v=" + slug(phrase) + std::to_string(video), "Video " + std::to_string(video));
    html += "</div>\n<div class=\"forum\"><div role=\"heading\" aria-level=\"2\">Discussioni e forum</div>";
    for (int thread = 1; thread <= 2; ++thread)
        html += todayResult(site + "forum-" + std::to_string(thread), "Discussione " + std::to_string(thread), "Forum");
    return html + "</div>\n";
}

} // namespace

std::string todayResultsPage(const std::string &phrase, long offset, const PhraseResults &results, const SearchEcho &echo)
{
    const std::string title = escapeHtml(phrase);
    const std::string query = "/search?q=" + percentEncoded(phrase);
    const long page = offset / kResultsPerPage;
    const long total = long(results.addresses.size());
    const long first = std::min(total, firstResultOfPage(page));
    const long last = std::min(total, first + resultsOnPage(page));
    std::string html;
    html += "<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\">\n";
    html += "<title>" + title + " - Cerca con Google</title>\n";
    html += "<style>body{margin:0;font-family:arial,sans-serif}.rIxsve{color:#1a0dab}</style>\n";
    html += "<script nonce=\"x\">window.google={kEI:\"x7Y3b\"};(function(){var s='//www.gstatic.com/og/_/js';})();"
            "</script>\n</head><body jsmodel=\"hspDDf\">\n" + echoOf(echo);
    html += "<div class=\"rLrQHf\"><svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\" width=\"24\" height=\"24\"><path d=\"M0 0\"/>"
            "</svg><a href=\"https://accounts.google.com/ServiceLogin?hl=it\">Accedi</a></div>\n";
    html += "<form action=\"/search\" role=\"search\"><textarea name=\"q\">" + title + "</textarea></form>\n";
    html += "<div id=\"search\"><div id=\"tads\" aria-label=\"Annunci\">";
    for (int ad = 1; ad <= results.adsTop; ++ad) {
        html += "<div data-text-ad=\"1\" class=\"uEierd\"><a class=\"sVXRqc\" href=\"https://www.annuncio-" + slug(phrase)
            + ".it/offerta-" + std::to_string(ad) + "\"><div class=\"rVusze\"><span>Sponsorizzato</span></div>"
            "<h3 class=\"rIxsve\">Offerta " + title + "</h3></a></div>";
    }
    html += "</div>\n<div id=\"rso\">\n";
    if (page == 0 && !results.aiCited.empty()) {
        std::string overview = "<div class=\"LT6XE\">In breve, " + title + " è un argomento su cui le fonti concordano.</div><ul>";
        for (const std::string &cited : results.aiCited)
            overview += "<li><a href=\"" + escapeHtml(cited) + "\"><span>" + escapeHtml(hostOf(cited)) + "</span></a></li>";
        overview += "</ul>";
        html += "<div class=\"M8OgIe\" id=\"panoramica\"><div role=\"heading\" aria-level=\"2\"><span>Panoramica AI</span></div>";
        if (results.aiAfter < 0) {
            html += overview + "</div>\n";
        } else {
            // The page's own script puts the overview in, as it arrives.
            html += "<div class=\"generazione\">Generazione in corso\xe2\x80\xa6</div></div><template id=\"panoramica-dopo\">"
                + overview + "</template><script>setTimeout(function () { var block = document.getElementById('panoramica');"
                + (results.aiNeverDone ? "" : " block.querySelector('.generazione').remove();")
                + " block.appendChild(document.getElementById('panoramica-dopo').content.cloneNode(true)); }, "
                + std::to_string(results.aiAfter) + ");</script>\n";
        }
    }
    if (page == 0 && !results.featured.empty()) {
        html += "<div class=\"ULSxyf\"><block-component><div class=\"g\"><span class=\"hgKElc\">La risposta in breve su "
            + title + ".</span><a href=\"" + escapeHtml(results.featured) + "\"><h3 class=\"rIxsve\">Risposta in evidenza"
            "</h3></a></div></block-component></div>\n";
    }
    if (results.aiPlaceholder)
        html += "<div class=\"dURPMd\">\n";
    for (long i = first; i < last; ++i) {
        const std::string &address = results.addresses[std::size_t(i)];
        if (results.aiPlaceholder && i == first + 3) {
            // A label kept hidden for later, and a note that there is no overview.
            html += "<div class=\"YzCcne\" style=\"display:none\"><div role=\"heading\" aria-level=\"2\"><span>AI Overview"
                    "</span></div></div><div class=\"Lmjqre\">An AI Overview is not available for this search</div>\n";
        }
        // Every third result is wrapped, as the basic page wrapped them all.
        const std::string href = i % 3 == 1 ? "/url?q=" + percentEncoded(address) + "&amp;sa=U&amp;ved=2ahUKEw" : escapeHtml(address);
        const std::string heading = "Risultato " + std::to_string(i + 1) + " per " + title;
        if (contains(results.videoResults, i + 1))
            html += videoResult(address, heading);
        else if (contains(results.forumResults, i + 1))
            html += forumResult(href, address, heading);
        else
            html += todayResult(href, heading, hostOf(address), "<div class=\"VwiC3b\">Una pagina che parla di " + title + ".</div>",
                                "class=\"g" + std::string(i % 5 == 4 ? " jYOxx" : "") + "\" data-hveid=\"C" + std::to_string(i) + "\"");
        if (page == 0 && results.sections && i == first + 1)
            html += sectionsBlock(phrase, title);
        if (page == 0 && !results.businesses.empty() && i == first)
            html += desktopPlaces(phrase, businessesFrom(results.businesses, echo.place));
        if (i == first + 2) {
            html += "<div class=\"related-question-pair\" data-initq=\"" + title + "\"><div role=\"heading\">Altre domande"
                    "</div><span>Che cos'è " + title + "?</span><script>var d='<a href=\"http://www.risposta.it/\"><h3>Risposta"
                    "</h3></a>';</script></div>\n";
        }
        if (i == first + 4) {
            html += "<g-section-with-header><div role=\"heading\">Video</div><video-voyager><a href=\"https://www.youtube.com/"
                    "watch?v=" + slug(phrase) + "\"><h3 class=\"rIxsve\">Video su " + title + "</h3></a></video-voyager>"
                    "</g-section-with-header>\n";
        }
    }
    if (results.aiPlaceholder)
        html += "</div>\n";
    html += "</div>\n<div id=\"bottomads\">";
    for (int ad = 1; ad <= results.adsBottom; ++ad) {
        html += "<div data-text-ad=\"1\"><a href=\"https://www.altro-annuncio.it/" + std::to_string(ad) + "\"><h3>"
                "Annuncio in fondo</h3></a><span>Sponsorizzato</span></div>";
    }
    html += "</div>\n";
    html += "<div id=\"botstuff\"><div role=\"heading\">Ricerche correlate</div><a href=\"" + query + "+ricette\">"
            + title + " ricette</a></div>\n";
    html += "<div role=\"navigation\"><table><tr>";
    // A next page that says there is nothing: the engine's count ran out first.
    const bool linksOn = last < total || contains(results.noResultsPages, offset + kResultsPerPage);
    for (long p = 0; p <= page + (linksOn ? 1 : 0); ++p) {
        if (p == page)
            html += "<td>" + std::to_string(p + 1) + "</td>";
        else
            html += "<td><a aria-label=\"Page " + std::to_string(p + 1) + "\" href=\"" + query + "&amp;start="
                + std::to_string(p * kResultsPerPage) + "\">" + std::to_string(p + 1) + "</a></td>";
    }
    if (linksOn) {
        html += "<td><a id=\"pnnext\" aria-label=\"Pagina successiva\" href=\"" + query + "&amp;start="
            + std::to_string(offset + kResultsPerPage) + "\">Avanti</a></td>";
    }
    html += "</tr></table></div></div>\n</body></html>\n";
    return html;
}

namespace {

struct NothingFound
{
    const char *before;   // the words before the phrase
    const char *after;    // and after it
    const char *suggestions;
};

NothingFound wordsFor(const std::string &language)
{
    if (language == "en")
        return {"Your search - ", " - did not match any documents.", "Suggestions: try different keywords."};
    if (language == "ru")
        return {"\xd0\x9f\xd0\xbe \xd0\xb7\xd0\xb0\xd0\xbf\xd1\x80\xd0\xbe\xd1\x81\xd1\x83 ",
                " \xd0\xbd\xd0\xb8\xd1\x87\xd0\xb5\xd0\xb3\xd0\xbe \xd0\xbd\xd0\xb5 "
                "\xd0\xbd\xd0\xb0\xd0\xb9\xd0\xb4\xd0\xb5\xd0\xbd\xd0\xbe.",
                "\xd0\xa0\xd0\xb5\xd0\xba\xd0\xbe\xd0\xbc\xd0\xb5\xd0\xbd\xd0\xb4\xd0\xb0\xd1\x86\xd0\xb8\xd0\xb8:"};
    return {"La ricerca di - ", " - non ha prodotto risultati in nessun documento.",
            "Suggerimenti: prova con parole chiave diverse."};
}

std::string adBlock(const std::string &id, const std::string &phrase, int count)
{
    std::string html = "<div id=\"" + id + "\" aria-label=\"Annunci\">";
    for (int ad = 1; ad <= count; ++ad) {
        html += "<div data-text-ad=\"1\"><a href=\"https://www.annuncio-" + slug(phrase) + ".it/" + id + "-"
            + std::to_string(ad) + "\"><div><span>Sponsorizzato</span></div><h3>Offerta</h3></a></div>";
    }
    return html + "</div>";
}

// The page's own links above and below: sign-in, settings, privacy, help, terms.
std::string pageHeader(const std::string &language)
{
    return "<header id=\"gb\"><a href=\"https://accounts.google.com/ServiceLogin?hl=" + language + "\">Accedi</a>"
           "<a href=\"/preferences?hl=" + language + "\">Impostazioni</a></header>\n";
}

std::string pageFooter(const std::string &language, const std::string &query)
{
    return "<footer id=\"footcnt\"><a href=\"https://support.google.com/websearch/?p=ws_results_help&amp;hl=" + language
        + "&amp;fg=1\">Guida</a><a href=\"https://consent.google.com/status?continue=https://www.google.com" + query
        + "&amp;hl=" + language + "\">Privacy</a><a href=\"https://policies.google.com/terms?hl=" + language
        + "\">Termini</a><a href=\"https://myaccount.google.com/?hl=" + language + "\">Account</a></footer>\n";
}

} // namespace

std::string phoneResultsPage(const std::string &phrase, long offset, const PhraseResults &results, const SearchEcho &echo)
{
    const std::string title = escapeHtml(phrase);
    const std::string query = "/search?q=" + percentEncoded(phrase);
    const long total = long(results.addresses.size());
    const long first = std::min(total, offset);
    const long last = results.onePage ? (offset == 0 ? total : first) : std::min(total, first + kResultsPerPage);
    auto result = [&](const std::string &address, const std::string &heading) {
        return "<a class=\"cz3goc\" href=\"" + escapeHtml(address) + "\"><div role=\"heading\" aria-level=\"3\" class=\"v7jaNc\">"
            + heading + "</div><div class=\"UPmit\"><span>" + escapeHtml(hostOf(address)) + "</span></div></a>";
    };
    std::string html = "<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\"><title>" + title
        + " - Cerca con Google</title>\n<style>body{margin:0;font-family:arial,sans-serif}.v7jaNc{color:#1558d6}</style>"
        "</head><body>\n" + echoOf(echo) + pageHeader("it")
        + "<form action=\"/search\" role=\"search\"><input name=\"q\" value=\"" + title + "\"></form>\n<div id=\"main\">"
        "<div id=\"rso\">\n";
    if (first < last) {
        // An ad for the first organic result's own address.
        html += "<div id=\"tads\" aria-label=\"Annunci\"><div data-text-ad=\"1\"><div><span>Sponsorizzato</span></div>"
            + result(results.addresses[std::size_t(first)], "Offerta " + title) + "</div></div>\n";
    }
    if (offset == 0 && results.app) {
        const std::string store = "https://play.google.com/store/apps/details?id=it.esempio." + slug(phrase);
        html += "<div class=\"MjjYud\"><div class=\"g Ww4FFb\">" + result(store, title) + "<div>App \xc2\xb7 4,5 \xe2\x98\x85 \xc2\xb7 "
            "Gratis</div><a role=\"button\" href=\"" + store + "&amp;hl=it\">Installa</a></div></div>\n";
    }
    if (offset == 0 && !results.featured.empty()) {
        // The answer is the heading; its source shows the site and the page's name.
        html += "<div class=\"xpdopen\"><div role=\"heading\" aria-level=\"2\">Snippet in primo piano</div><block-component>"
            "<div role=\"heading\" aria-level=\"3\" class=\"di3YZe\">La risposta in breve su " + title + ".</div><a href=\""
            + escapeHtml(results.featured) + "\"><span>Risposta in evidenza</span><cite>" + escapeHtml(hostOf(results.featured))
            + "</cite></a></block-component></div>\n";
    }
    for (long i = first; i < last; ++i) {
        const std::string &address = results.addresses[std::size_t(i)];
        html += "<div class=\"MjjYud\"><div class=\"g Ww4FFb\" data-hveid=\"C" + std::to_string(i) + "\">"
            + result(address, "Risultato " + std::to_string(i + 1) + " per " + title)
            + "<div class=\"yDYNvb\">Una pagina che parla di " + title + ".</div></div></div>\n";
        const long shown = i - first;
        if (shown == 0 && results.recipes) {
            html += "<div class=\"ricette\"><div role=\"heading\" aria-level=\"2\">Ricette</div>";
            for (int recipe = 1; recipe <= 3; ++recipe) {
                html += "<div class=\"MjjYud\"><div class=\"g Ww4FFb\">" + result("https://www.ricette-" + slug(phrase) + ".it/ricetta-"
                    + std::to_string(recipe), "Ricetta " + std::to_string(recipe)) + "<div>45 min</div></div></div>";
            }
            html += "</div>\n";
        }
        if (shown == 1 && offset == 0 && !results.businesses.empty()) {
            html += phonePlaces(businessesFrom(results.businesses, echo.place));
        } else if (shown == 1) {
            html += "<div class=\"xERobd\" data-block=\"luoghi\"><div role=\"heading\" aria-level=\"2\">Luoghi</div>";
            for (int place = 1; place <= 3; ++place)
                html += "<div data-cid=\"" + std::to_string(place) + "\">" + result("https://maps.google.com/?cid=" + std::to_string(place),
                                                                               "Negozio " + std::to_string(place)) + "</div>";
            html += "</div>\n";
        } else if (shown == 2) {
            html += "<div class=\"related-question-pair\" data-initq=\"" + title + "\"><div role=\"heading\">Altre domande</div>"
                + result("http://www.risposta.it/", "Che cos'è " + title + "?") + "</div>\n";
        } else if (shown == 3) {
            html += "<div class=\"commercial-unit-mobile-top\"><div role=\"heading\">Acquista " + title + "</div>";
            for (int item = 1; item <= 2; ++item)
                html += "<div class=\"pla-unit\">" + result("https://www.negozio.it/" + slug(phrase) + "-" + std::to_string(item),
                                                           "Prodotto " + std::to_string(item)) + "</div>";
            html += "</div>\n";
        } else if (shown == 4) {
            html += "<g-section-with-header><div role=\"heading\">Video</div><video-voyager>"
                + result("https://www.youtube.com/watch?v=" + slug(phrase), "Video su " + title) + "</video-voyager>"
                "</g-section-with-header>\n";
        } else if (shown == 5) {
            html += "<div class=\"hotel-prices\"><div role=\"heading\">Prezzi degli hotel</div><g-inner-card>"
                + result("https://www.albergo.it/" + slug(phrase), "Albergo da 80 \xe2\x82\xac") + "</g-inner-card></div>\n";
        }
    }
    html += "</div>\n";
    if (last < total && last > first)
        html += "<div class=\"ZFiwCf\"><a aria-label=\"Altri risultati\" href=\"" + query + "&amp;start=" + std::to_string(last)
            + "\"><span>Altri risultati</span></a></div>\n";
    html += "</div>\n";
    return html + pageFooter("it", query) + "</body></html>\n";
}

std::string noResultsPage(const std::string &phrase, const NoResultsLook &look)
{
    const std::string title = escapeHtml(phrase);
    const std::string query = "/search?q=" + percentEncoded(phrase);
    const NothingFound words = wordsFor(look.language);
    const std::string layout = look.layout.empty() ? "classic" : look.layout;
    std::string html = "<!DOCTYPE html>\n<html lang=\"" + look.language + "\"><head><meta charset=\"utf-8\">";
    if (layout == "smartphone")
        html += "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">";
    html += "<title>" + title + " - Google Search</title></head><body>\n";
    const std::string form = "<form action=\"/search\" role=\"search\"><input name=\"q\" value=\"" + title + "\"></form>\n";
    const std::string top = look.ads ? adBlock("tads", phrase, 2) : std::string();
    const std::string bottom = look.ads ? adBlock("bottomads", phrase, 1) : std::string();
    if (layout == "classic") {
        return html + form + "<div id=\"res\"><p>" + words.before + "<b>" + title + "</b>" + words.after + "</p><p>"
            + words.suggestions + "</p></div>\n</body></html>\n";
    }
    html += pageHeader(look.language);
    if (layout == "basic") {
        html += form + "<div id=\"main\">" + top + "<div><div class=\"ZINbbc xpd\"><div class=\"kCrYT\">"
            "<span class=\"r0bn4c rQMQod\">" + words.before + "</span><span class=\"r0bn4c rQMQod\">" + title
            + "</span><span class=\"r0bn4c rQMQod\">" + words.after + " " + words.suggestions + "</span></div></div></div>"
            + bottom + "</div>\n";
    } else {
        // The desktop and the smartphone pages: the message above an empty results column.
        html += "<div id=\"searchform\">" + form + "</div><div class=\"rLrQHf\"><svg xmlns=\"http://www.w3.org/2000/svg\" "
            "viewBox=\"0 0 24 24\" width=\"24\" height=\"24\"><path d=\"M0 0\"/></svg></div>\n<div id=\"rcnt\"><div id=\"center_col\"><div id=\"taw\">"
            + top + "<div id=\"topstuff\"><div class=\"card-section\"><p aria-level=\"3\" role=\"heading\">" + words.before
            + "<span><em>" + title + "</em></span>" + words.after + "</p><p>" + words.suggestions + "</p></div></div></div>"
            "<div id=\"res\"><div id=\"search\"><div id=\"rso\"></div></div></div>" + bottom + "</div></div>\n";
    }
    return html + pageFooter(look.language, query) + "</body></html>\n";
}

std::string unknownLayoutPage(const std::string &phrase, long offset, const PhraseResults &results)
{
    const std::string title = escapeHtml(phrase);
    const std::string query = "/search?q=" + percentEncoded(phrase);
    std::string html = "<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\"><title>" + title
        + " - Cerca con Google</title></head><body>\n" + pageHeader("it")
        + "<form action=\"/search\" role=\"search\"><input name=\"q\" value=\"" + title + "\"></form>\n<div id=\"zz-risultati\">";
    const long total = long(results.addresses.size());
    for (long i = offset; i < std::min(total, offset + kResultsPerPage); ++i) {
        html += "<div class=\"voce\"><a href=\"" + escapeHtml(results.addresses[std::size_t(i)]) + "\"><span class=\"titolo\">"
            "Risultato " + std::to_string(i + 1) + " per " + title + "</span></a></div>\n";
    }
    html += "</div><a href=\"" + query + "&amp;start=" + std::to_string(offset + kResultsPerPage) + "\">Avanti</a>\n";
    return html + pageFooter("it", query) + "</body></html>\n";
}

std::string withCookieNotice(const std::string &page)
{
    const std::string bar = "<div role=\"dialog\" aria-label=\"Informativa sui cookie\" style=\"position:fixed;left:0;right:0;"
        "bottom:0;padding:8px 16px;background:#fff;border-top:1px solid #dadce0;font-size:13px\">Google utilizza i cookie per "
        "fornire i suoi servizi e analizzare il traffico. <a href=\"https://policies.google.com/technologies/cookies?hl=it\">"
        "Cookie</a> <a href=\"https://policies.google.com/privacy?hl=it\">Privacy</a> <button>OK</button></div>\n";
    const auto end = page.rfind("</body>");
    return end == std::string::npos ? page + bar : page.substr(0, end) + bar + page.substr(end);
}

std::string consentPage(const std::string &searchHost, const std::string &continueAddress, const ConsentLook &look)
{
    const std::string form = "<form method=\"post\" action=\"http://" + searchHost + "/consent/save\">"
        "<input type=\"hidden\" name=\"continue\" value=\"" + escapeHtml(continueAddress) + "\">";
    // "Accetta tutto" in a colour of its own, which a test finds in a picture of the page.
    const std::string accept = form + "<button class=\"b a\" style=\"left:" + (look.wide ? "1100" : "210")
        + "px\" name=\"set_eom\" value=\"false\">Accetta tutto</button></form>\n";
    return std::string("<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\">")
        + (look.viewport ? "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">" : "")
        + "<title>Prima di continuare su Google</title>" + kButtonStyle
        + (look.wide ? "<style>body{width:1366px}.b{position:absolute}</style>" : "")
        + "</head><body>\n<h1>Prima di continuare su Google</h1>\n"
        "<p>Utilizziamo cookie e dati per fornire e gestire i servizi.</p>\n"
        + (look.wide ? std::string()
                     : form + "<button class=\"b\" style=\"left:10px\" name=\"set_eom\" value=\"true\">Rifiuta tutto</button></form>\n")
        + accept + "</body></html>\n";
}

std::string checkPage(const std::string &continueAddress)
{
    return std::string("<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\"><title>https://www.google.it/"
                       "</title>") + kButtonStyle + "</head><body>\n<h1>Informazioni su questa pagina</h1>\n"
        "<p>I nostri sistemi hanno rilevato traffico insolito proveniente dalla tua rete di computer.</p>\n"
        "<form method=\"post\" action=\"/sorry/pass\"><input type=\"hidden\" name=\"continue\" value=\""
        + escapeHtml(continueAddress) + "\"><button class=\"b a\" style=\"left:10px\">Non sono un robot</button></form>\n"
        "</body></html>\n";
}

Service::Service(Catalog catalog)
    : m_catalog(std::move(catalog))
    , m_server(std::make_unique<httplib::Server>())
{
    // Room for a few pages left hanging besides the pages being served.
    m_server->new_task_queue = [] { return new httplib::ThreadPool(16); };
    m_server->set_pre_routing_handler([this](const httplib::Request &request, httplib::Response &) {
        Request seen{std::chrono::steady_clock::now(), std::chrono::system_clock::now(), request.target,
                     request.get_header_value("User-Agent")};
        if (m_logToStdout) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                seen.wallClock.time_since_epoch()).count();
            std::printf("%lld.%03lld %s\n", static_cast<long long>(ms / 1000), static_cast<long long>(ms % 1000),
                        request.target.c_str());
            std::fflush(stdout);
        }
        std::lock_guard lock(m_mutex);
        m_requests.push_back(std::move(seen));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    m_server->Get("/search", [this](const httplib::Request &request, httplib::Response &response) {
        const std::string phrase = request.get_param_value("q");
        long offset = 0;
        if (request.has_param("start")) {
            try {
                offset = std::stol(request.get_param_value("start"));
            } catch (...) {
                offset = 0;
            }
        }
        {
            std::lock_guard lock(m_mutex);
            const auto page = m_pages.find(phrase);
            if (page != m_pages.end()) {
                response.set_content(page->second, "text/html; charset=utf-8");
                return;
            }
        }
        const PhraseResults results = m_catalog.resultsFor(phrase);
        const std::string host = request.get_header_value("Host");
        const std::string address = "http://" + host + request.target;
        if (m_catalog.asksConsent() && !hasCookie(request, kConsentCookie)) {
            serve(phrase, offset, "consent");
            response.set_redirect("http://" + otherHostName(host) + "/consent?continue=" + percentEncoded(address));
            return;
        }
        if (overTheLimit() || (contains(results.checkPages, offset) && !hasCookie(request, kCheckCookie))) {
            serve(phrase, offset, "check");
            response.set_redirect("/sorry/index?continue=" + percentEncoded(address));
            return;
        }
        serve(phrase, offset, "results");
        const auto slow = results.slowPages.find(offset);
        if (slow != results.slowPages.end())
            std::this_thread::sleep_for(std::chrono::milliseconds(slow->second));
        if (contains(results.silentPages, offset)) {
            std::unique_lock lock(m_mutex);
            m_stopping.wait(lock, [this] { return m_stopped; });
            return;
        }
        const auto failing = results.failingPages.find(offset);
        bool failNow = false;
        if (failing != results.failingPages.end()) {
            std::lock_guard lock(m_mutex);
            failNow = m_failed[phrase + '\n' + std::to_string(offset)]++ == 0;
            if (failNow)
                m_faultsServed.push_back({phrase, offset, failing->second});
        }
        const std::string fault = failNow ? failing->second : std::string();
        if (fault == "429") {
            response.status = 429;
            response.set_content(checkPage(address), "text/html; charset=utf-8");
            return;
        }
        if (contains(results.hangingPages, offset) || fault == "hang") {
            // Headers, then a line now and then, which keeps the page loading
            // and shows when the client has gone; after two minutes the
            // service gives up, as a real one would.
            const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
            response.set_chunked_content_provider("text/html; charset=utf-8", [this, until](std::size_t, httplib::DataSink &sink) {
                if (std::chrono::steady_clock::now() > until)
                    return false;
                {
                    std::unique_lock lock(m_mutex);
                    if (m_stopping.wait_for(lock, std::chrono::milliseconds(250), [this] { return m_stopped; }))
                        return false;
                }
                return sink.write("\n", 1);
            });
            return;
        }
        if (fault == "500" || fault == "503") {
            response.status = std::atoi(failing->second.c_str());
            response.set_content("<!DOCTYPE html>\n<html><head><title>Errore</title></head><body><h1>Errore del server "
                                 + fault + "</h1><p>Riprova tra poco.</p></body></html>\n", "text/html; charset=utf-8");
            return;
        }
        const bool phone = request.get_header_value("User-Agent").find("Mobile") != std::string::npos;
        const SearchEcho echo{request.get_param_value("gl"), request.get_param_value("hl"), request.get_param_value("uule")};
        NoResultsLook look = results.noResults;
        if (look.layout.empty())
            look.layout = phone ? "smartphone" : results.today ? "desktop" : "classic";
        std::string page = contains(results.noResultsPages, offset) ? noResultsPage(phrase, look)
                         : contains(results.unknownPages, offset) || fault == "unknown"
                             ? unknownLayoutPage(phrase, offset, results)
                         : phone ? phoneResultsPage(phrase, offset, results, echo)
                         : results.today ? todayResultsPage(phrase, offset, results, echo)
                                         : resultsPage(phrase, offset, results);
        if (results.cookieNotice)
            page = withCookieNotice(page);
        if (contains(results.cutPages, offset) || fault == "cut") {
            // Promise the whole page, send half of it, and hang up.
            const std::size_t size = page.size();
            response.set_content_provider(size, "text/html; charset=utf-8",
                                          [page = std::move(page)](std::size_t, std::size_t, httplib::DataSink &sink) {
                                              sink.write(page.data(), page.size() / 2);
                                              return false;
                                          });
            return;
        }
        response.set_content(page, "text/html; charset=utf-8");
    });
    m_server->Get("/url", [](const httplib::Request &request, httplib::Response &response) {
        response.set_redirect(request.get_param_value("q"));
    });
    m_server->Get("/consent", [this](const httplib::Request &request, httplib::Response &response) {
        const std::string back = continueAddress(request);
        response.set_content(consentPage(otherHostName(request.get_header_value("Host")), back, m_catalog.consentLook()),
                             "text/html; charset=utf-8");
    });
    m_server->Post("/consent/save", [](const httplib::Request &request, httplib::Response &response) {
        response.set_header("Set-Cookie", std::string(kConsentCookie) + "+; Path=/; Max-Age=31536000");
        response.set_redirect(continueAddress(request), 303);
    });
    m_server->Get("/sorry/index", [](const httplib::Request &request, httplib::Response &response) {
        response.set_content(checkPage(continueAddress(request)), "text/html; charset=utf-8");
    });
    m_server->Post("/sorry/pass", [this](const httplib::Request &request, httplib::Response &response) {
        {
            std::lock_guard lock(m_mutex);
            m_blockedUntil.reset();
            m_blockedUntilAnswered = false;
        }
        serve(std::string(), 0, "answer");
        // An exemption that outlives the browser, written to the profile's
        // cookies as the engine's is.
        response.set_header("Set-Cookie", std::string(kCheckCookie) + "; Path=/; Max-Age=3600");
        response.set_redirect(continueAddress(request), 303);
    });
}

Service::~Service()
{
    stop();
}

int Service::start(int port)
{
    if (port == 0)
        m_port = m_server->bind_to_any_port("127.0.0.1");
    else
        m_port = m_server->bind_to_port("127.0.0.1", port) ? port : -1;
    if (m_port <= 0) {
        m_port = -1;
        return -1;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stopped = false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // A stop before the accept loop runs would be lost: wait for it.
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return m_port;
}

void Service::stop()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_stopping.notify_all();
        m_server->stop();
        m_thread.join();
    }
}

void Service::addPage(const std::string &phrase, std::string html)
{
    std::lock_guard lock(m_mutex);
    m_pages[phrase] = std::move(html);
}

std::vector<Request> Service::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void closeDescriptorsOnExec()
{
    if (DIR *folder = ::opendir("/proc/self/fd")) {
        const int own = ::dirfd(folder);
        while (const dirent *entry = ::readdir(folder)) {
            const int fd = std::atoi(entry->d_name);
            if (fd > 2 && fd != own)
                ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
        }
        ::closedir(folder);
    }
}

std::vector<Service::ServedFault> Service::faultsServed() const
{
    std::lock_guard lock(m_mutex);
    return m_faultsServed;
}

bool Service::overTheLimit()
{
    const std::optional<RateLimit> &limit = m_catalog.rateLimit();
    if (!limit)
        return false;
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(m_mutex);
    if (m_blockedUntilAnswered || (m_blockedUntil && now < *m_blockedUntil))
        return true;
    m_blockedUntil.reset();
    const auto window = std::chrono::seconds(limit->seconds);
    std::erase_if(m_recentSearches, [&](const auto &search) { return now - search >= window; });
    m_recentSearches.push_back(now);
    if (int(m_recentSearches.size()) <= limit->searches)
        return false;
    // The searches after a block are counted afresh.
    m_recentSearches.clear();
    if (limit->untilAnswered)
        m_blockedUntilAnswered = true;
    else
        m_blockedUntil = now + std::chrono::seconds(limit->blockSeconds);
    return true;
}

void Service::serve(const std::string &phrase, long offset, const std::string &page)
{
    std::lock_guard lock(m_mutex);
    m_served.push_back({phrase, offset, page});
}

std::vector<Service::Served> Service::served() const
{
    std::lock_guard lock(m_mutex);
    return m_served;
}

std::vector<Request> Service::searchRequests() const
{
    std::vector<Request> searches;
    for (const Request &request : requests()) {
        if (request.target.rfind("/search", 0) == 0)
            searches.push_back(request);
    }
    return searches;
}

void Service::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_served.clear();
}

} // namespace results
