#include "net/feed_links.h"

#include <cstring>

#include "feed/decode.h"
#include "feed/encoding.h"
#include "net/url.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsNameChar(char c) { return c != '\0' && !IsSpace(c) && c != '>' && c != '/' && c != '=' && c != '<'; }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
    return text;
}

// Where the text at `at` (of `length` bytes in all) starts with `literal`, letters in any case.
bool At(const char* text, int length, int at, const char* literal) {
    const int n = static_cast<int>(strlen(literal));
    if (at < 0 || at + n > length) return false;
    for (int i = 0; i < n; ++i) {
        if (AsciiLower(static_cast<unsigned char>(text[at + i])) != static_cast<unsigned char>(literal[i])) {
            return false;
        }
    }
    return true;
}

// The index just past the first `literal` at or after `from`, or `length` when there is none.
int PastNext(const char* text, int length, int from, const char* literal) {
    for (int i = from; i < length; ++i) {
        if (At(text, length, i, literal)) return i + static_cast<int>(strlen(literal));
    }
    return length;
}

struct Tag {
    std::string name;                                             // lower case
    std::vector<std::pair<std::string, std::string>> attributes;  // names lower case, values raw
    int end = 0;                                                  // just past the ">"
    bool closed = false;                                          // its ">" came before the text ended
};

// The start tag whose "<" is at `at`.
Tag ReadTag(const char* text, int length, int at) {
    Tag tag;
    int i = at + 1;
    while (i < length && IsNameChar(text[i])) tag.name += text[i++];
    tag.name = Lower(tag.name);
    while (i < length && text[i] != '>') {
        if (IsSpace(text[i]) || text[i] == '/') {
            ++i;
            continue;
        }
        std::string name;
        while (i < length && IsNameChar(text[i])) name += text[i++];
        if (name.empty()) {  // a stray "=" or "<"
            ++i;
            continue;
        }
        while (i < length && IsSpace(text[i])) ++i;
        std::string value;
        if (i < length && text[i] == '=') {
            ++i;
            while (i < length && IsSpace(text[i])) ++i;
            if (i < length && (text[i] == '"' || text[i] == '\'')) {
                const char quote = text[i++];
                while (i < length && text[i] != quote) value += text[i++];
                if (i < length) ++i;
            } else {
                while (i < length && !IsSpace(text[i]) && text[i] != '>') value += text[i++];
            }
        }
        tag.attributes.emplace_back(Lower(name), value);
    }
    tag.closed = i < length;
    tag.end = tag.closed ? i + 1 : length;
    return tag;
}

const std::string* Attribute(const Tag& tag, const char* name) {
    for (const auto& attribute : tag.attributes) {
        if (attribute.first == name) return &attribute.second;
    }
    return nullptr;
}

bool HasToken(const std::string& list, const char* token) {
    const std::string lower = Lower(list);
    size_t start = 0;
    while (start < lower.size()) {
        while (start < lower.size() && IsSpace(lower[start])) ++start;
        size_t end = start;
        while (end < lower.size() && !IsSpace(lower[end])) ++end;
        if (end > start && lower.compare(start, end - start, token) == 0) return true;
        start = end;
    }
    return false;
}

bool IsFeedType(const std::string& type) {
    const std::string lower = Lower(type);
    const std::string media = lower.substr(0, lower.find(';'));
    for (const char* known : {"application/rss+xml", "application/atom+xml", "application/rdf+xml"}) {
        if (media.find(known) != std::string::npos) return true;
    }
    return false;
}

// The references the page writes with "&amp;" and the like: only the few an address holds.
std::string DecodeAddress(const std::string& raw) {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '&') {
            static const struct {
                const char* name;
                char value;
            } kReferences[] = {
                {"&amp;", '&'}, {"&#38;", '&'}, {"&#x26;", '&'}, {"&quot;", '"'}, {"&#39;", '\''}};
            bool replaced = false;
            for (const auto& reference : kReferences) {
                const size_t n = strlen(reference.name);
                if (raw.compare(i, n, reference.name) == 0) {
                    out += reference.value;
                    i += n - 1;
                    replaced = true;
                    break;
                }
            }
            if (replaced) continue;
        }
        // Spaces at either end are not part of an address.
        if (IsSpace(raw[i]) && (out.empty() || i + 1 == raw.size())) continue;
        out += raw[i];
    }
    while (!out.empty() && IsSpace(out.back())) out.pop_back();
    return out;
}

TextEncoding PageEncoding(const char* text, int length) {
    // The charset of a <meta> (or of the XML declaration) near the page's start.
    const int limit = length < 4096 ? length : 4096;
    for (int i = 0; i < limit; ++i) {
        if (!At(text, limit, i, "charset")) continue;
        int j = i + 7;
        while (j < limit && (IsSpace(text[j]) || text[j] == '=' || text[j] == '"' || text[j] == '\'')) ++j;
        if (At(text, limit, j, "shift_jis") || At(text, limit, j, "shift-jis") ||
            At(text, limit, j, "sjis") || At(text, limit, j, "windows-31j") || At(text, limit, j, "x-sjis")) {
            return TextEncoding::ShiftJis;
        }
        if (At(text, limit, j, "euc-jp") || At(text, limit, j, "euc_jp")) return TextEncoding::EucJp;
        return TextEncoding::Utf8;
    }
    return TextEncoding::Utf8;
}

std::string TitleOf(const std::string& raw, TextEncoding encoding) {
    char title[kSlotSize];
    TakeAsShiftJis(raw.c_str(), static_cast<int>(raw.size()), kSlotSize - 1, encoding, title);
    CleanText(title);
    return title;
}

}  // namespace

DocumentKind KindOfDocument(TextView document) {
    const char* text = document.bytes;
    const int length = document.length;
    int i = 0;
    if (At(text, length, 0, "\xEF\xBB\xBF")) i = 3;
    while (i < length) {
        if (IsSpace(text[i])) {
            ++i;
        } else if (At(text, length, i, "<?")) {
            i = PastNext(text, length, i + 2, "?>");
        } else if (At(text, length, i, "<!--")) {
            i = PastNext(text, length, i + 4, "-->");
        } else if (At(text, length, i, "<!doctype")) {
            int j = i + 9;
            while (j < length && IsSpace(text[j])) ++j;
            if (At(text, length, j, "html")) return DocumentKind::Page;
            i = PastNext(text, length, j, ">");
        } else if (text[i] == '<') {
            std::string name = ReadTag(text, length, i).name;
            const size_t colon = name.find(':');
            if (colon != std::string::npos) name.erase(0, colon + 1);
            if (name == "rss" || name == "feed" || name == "rdf") return DocumentKind::Feed;
            if (name == "opml") return DocumentKind::Opml;
            if (name == "html" || name == "head" || name == "body") return DocumentKind::Page;
            return DocumentKind::Other;
        } else {
            return DocumentKind::Other;
        }
    }
    return DocumentKind::Other;
}

std::vector<FeedLink> ReadFeedLinks(TextView page, const std::string& pageUrl) {
    const char* text = page.bytes;
    const int length = page.length;
    const TextEncoding encoding = PageEncoding(text, length);
    std::string base = pageUrl;
    bool baseSeen = false;
    struct Raw {
        std::string href;
        std::string title;
    };
    std::vector<Raw> raws;
    for (int i = 0; i < length;) {
        if (text[i] != '<') {
            ++i;
            continue;
        }
        if (At(text, length, i, "<!--")) {
            i = PastNext(text, length, i + 4, "-->");
            continue;
        }
        // Scripts and styles may hold "<link" in their text; they are stepped over whole.
        if (At(text, length, i, "<script") || At(text, length, i, "<style")) {
            const bool script = At(text, length, i, "<script");
            const Tag tag = ReadTag(text, length, i);
            i = PastNext(text, length, tag.end, script ? "</script" : "</style");
            continue;
        }
        const Tag tag = ReadTag(text, length, i);
        i = tag.end > i ? tag.end : i + 1;
        if (!tag.closed) break;
        if (tag.name == "base" && !baseSeen) {
            const std::string* href = Attribute(tag, "href");
            if (href) {
                const std::string resolved = ResolveReference(pageUrl, DecodeAddress(*href));
                if (!resolved.empty()) base = resolved;
                baseSeen = true;
            }
        } else if (tag.name == "link") {
            const std::string* rel = Attribute(tag, "rel");
            const std::string* type = Attribute(tag, "type");
            const std::string* href = Attribute(tag, "href");
            if (!rel || !type || !href || !HasToken(*rel, "alternate") || !IsFeedType(*type)) continue;
            const std::string* title = Attribute(tag, "title");
            raws.push_back(Raw{*href, title ? *title : std::string()});
        } else if (tag.name == "body") {
            break;  // feed links belong to the head
        }
    }
    // Every link is read against the base, wherever the <base> stood in the head.
    std::vector<FeedLink> links;
    for (const Raw& raw : raws) {
        if (links.size() >= kMaxFeedLinks) break;
        const std::string href = DecodeAddress(raw.href);
        if (href.empty()) continue;  // it would name the page itself
        const std::string url = ResolveReference(base, href);
        if (url.empty() || url.size() >= kSlotSize) continue;
        bool known = false;
        for (const FeedLink& link : links) known = known || link.url == url;
        if (!known) links.push_back(FeedLink{TitleOf(raw.title, encoding), url});
    }
    return links;
}
