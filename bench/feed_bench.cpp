// Feed parsing throughput: the feed parser against libxml2's SAX interface (the peer) over the same
// bytes, the corpus of real feeds and a synthetic Japanese RSS 2.0 document of 2000 items. Counts
// heap allocations through a counting malloc for both.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <libxml/parser.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "feed/parser.h"
#include "counting_malloc.h"

namespace {

struct Document {
    std::string name;
    std::string text;  // ends at its first zero byte, as the program reads files
};

std::vector<Document> LoadCorpus() {
    std::vector<Document> documents;
    const std::string folder = std::string(NEWSROLLER_CORPUS_DIR) + "/feeds/";
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        }
        closedir(dir);
    }
    for (const std::string& name : names) {
        FILE* file = std::fopen((folder + name).c_str(), "rb");
        if (!file) continue;
        std::string text;
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
        std::fclose(file);
        text.resize(std::strlen(text.c_str()));
        documents.push_back({name, text});
    }
    return documents;
}

void AppendUtf8(std::string& out, unsigned unit) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | (unit >> 6));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (unit >> 12));
        out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

// Kanji of everyday news text (all of them in JIS X 0208, as real Japanese feeds mostly are).
const char kKanji[] =
    u8"日本政府経済市場株価円相場米国中国首相大臣会議発表記事報道新聞社会国際地域東京大阪京都北海道沖縄県市町"
    u8"村"
    u8"選挙議員党総理野党与党法案改正予算税金消費年金医療介護教育学校大学研究開発技術企業業績決算売上利益赤字"
    u8"黒"
    u8"増加減少上昇下落影響問題対策支援計画方針調査結果情報公開事故件警察逮捕容疑裁判決被告検火災地震台風雨報"
    u8"気"
    u8"象天予交通鉄空港路運休遅延野球選手試合優勝監督五輪代表録世界女子男音楽映画番組放送芸能人話題新型感染拡"
    u8"患"
    u8"者病院死亡確認生現場住民避難活安全環境温暖化電力原再可工輸出入貿易関協首脳外相談意条約北朝鮮韓欧州";

std::vector<unsigned> KanjiUnits() {
    std::vector<unsigned> units;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(kKanji);
    while (*p) {
        units.push_back(((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu));
        p += 3;
    }
    return units;
}

// Japanese text of `count` characters: hiragana, katakana, kanji and punctuation.
void AppendJapanese(std::string& out, int count, unsigned& seed) {
    static const std::vector<unsigned> kanji = KanjiUnits();
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        unsigned r = (seed >> 16) & 0x7FFF;
        unsigned unit;
        switch (r % 20) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
            case 7:
                unit = 0x3041 + r % 83;
                break;  // hiragana
            case 8:
            case 9:
            case 10:
                unit = 0x30A1 + r % 86;
                break;  // katakana
            case 11:
                unit = r % 3 == 0 ? 0x3002 : 0x3001;
                break;  // 。 、
            default:
                unit = kanji[r % kanji.size()];
                break;
        }
        AppendUtf8(out, unit);
    }
}

std::string SyntheticRss() {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    unsigned seed = 2004;
    std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n"
        "<title>";
    AppendJapanese(doc, 12, seed);
    doc += "</title>\n<link>http://news.example.jp/</link>\n<description>";
    AppendJapanese(doc, 40, seed);
    doc += "</description>\n<language>ja</language>\n";
    for (int i = 0; i < 2000; ++i) {
        char line[256];
        doc += "<item>\n<title>";
        AppendJapanese(doc, 28, seed);
        if (i % 5 == 0) doc += " &amp; ";
        AppendJapanese(doc, 6, seed);
        std::snprintf(
            line, sizeof line,
            "</title>\n<link>http://news.example.jp/articles/2026/%02d/%06d.html</link>\n"
            "<guid isPermaLink=\"true\">http://news.example.jp/articles/2026/%02d/%06d.html</guid>\n"
            "<category>",
            i % 12 + 1, i, i % 12 + 1, i);
        doc += line;
        AppendJapanese(doc, 4, seed);
        doc += "</category>\n<description>";
        AppendJapanese(doc, 250, seed);
        std::snprintf(line, sizeof line,
                      "</description>\n<pubDate>%s, %02d Mar 2026 %02d:%02d:00 +0900</pubDate>\n</item>\n",
                      kDays[i % 7], i % 28 + 1, i % 24, i % 60);
        doc += line;
    }
    doc += "</channel>\n</rss>\n";
    return doc;
}

const std::vector<Document>& Corpus() {
    static const std::vector<Document> corpus = LoadCorpus();
    return corpus;
}

const std::vector<Document>& Synthetic() {
    static const std::vector<Document> synthetic = {{"synthetic", SyntheticRss()}};
    return synthetic;
}

size_t TotalBytes(const std::vector<Document>& documents) {
    size_t total = 0;
    for (const Document& d : documents) total += d.text.size();
    return total;
}

// ---- The feed parser, as the update cycle calls it: one document per feed into the table.
void ParseWithFeedParser(benchmark::State& state, const std::vector<Document>& documents) {
    auto table = std::make_unique<ArticleTable>();
    long articles = 0, allocations = 0;
    for (auto _ : state) {
        for (const Document& d : documents) {
            table->count = 0;
            int found = 0;
            FeedParseTarget target{*table, found, kArticleCapacity, 10000, nullptr};
            const long before = AllocationCount();
            ParseFeedDocument(TextView{d.text.c_str(), static_cast<int>(d.text.size())}, "site",
                              "http://host", target);
            allocations += AllocationCount() - before;
            articles += found;
            benchmark::DoNotOptimize(table->slot[0].title[0]);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TotalBytes(documents)));
    state.counters["articles"] = static_cast<double>(articles) / static_cast<double>(state.iterations());
    state.counters["allocs"] = static_cast<double>(allocations) / static_cast<double>(state.iterations());
    state.counters["allocs_per_article"] =
        articles ? static_cast<double>(allocations) / static_cast<double>(articles) : 0;
}

// ---- The peer: libxml2's SAX2 parser collecting the title and link of every item or entry.
struct SaxCollector {
    std::string text;  // characters of the element being collected
    bool inItem = false;
    int collecting = 0;  // 1 title, 2 link, 3 date
    long articles = 0;
    char title[kSlotSize];
    char link[kSlotSize];
};

bool Is(const xmlChar* name, const char* expected) {
    return std::strcmp(reinterpret_cast<const char*>(name), expected) == 0;
}

void StartElement(void* context, const xmlChar* localname, const xmlChar*, const xmlChar*, int,
                  const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
    auto* c = static_cast<SaxCollector*>(context);
    if (Is(localname, "item") || Is(localname, "entry")) {
        c->inItem = true;
        c->title[0] = c->link[0] = '\0';
        return;
    }
    if (!c->inItem) return;
    c->text.clear();
    if (Is(localname, "title"))
        c->collecting = 1;
    else if (Is(localname, "link"))
        c->collecting = 2;
    else if (Is(localname, "pubDate") || Is(localname, "date") || Is(localname, "updated"))
        c->collecting = 3;
    if (c->collecting == 2) {
        // Atom: <link href="..."/>; attributes come as (localname, prefix, URI, value, end).
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** a = attributes + i * 5;
            if (Is(a[0], "href")) c->text.assign(reinterpret_cast<const char*>(a[3]), a[4] - a[3]);
        }
    }
}

void EndElement(void* context, const xmlChar* localname, const xmlChar*, const xmlChar*) {
    auto* c = static_cast<SaxCollector*>(context);
    if (Is(localname, "item") || Is(localname, "entry")) {
        if (c->inItem && c->link[0]) ++c->articles;
        c->inItem = false;
        return;
    }
    if (c->collecting == 1) std::snprintf(c->title, sizeof c->title, "%s", c->text.c_str());
    if (c->collecting == 2) std::snprintf(c->link, sizeof c->link, "%s", c->text.c_str());
    c->collecting = 0;
}

void Characters(void* context, const xmlChar* text, int length) {
    auto* c = static_cast<SaxCollector*>(context);
    if (c->collecting) c->text.append(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

void Quiet(void*, const char*, ...) {}

void ParseWithLibxml2(benchmark::State& state, const std::vector<Document>& documents) {
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = StartElement;
    handler.endElementNs = EndElement;
    handler.characters = Characters;
    handler.cdataBlock = Characters;
    handler.warning = Quiet;
    handler.error = Quiet;
    xmlSetGenericErrorFunc(nullptr, Quiet);
    SaxCollector collector;
    collector.text.reserve(4096);
    long articles = 0, allocations = 0;
    for (auto _ : state) {
        for (const Document& d : documents) {
            collector.articles = 0;
            collector.inItem = false;
            collector.collecting = 0;
            const long before = AllocationCount();
            xmlParserCtxtPtr context = xmlCreatePushParserCtxt(&handler, &collector, nullptr, 0, nullptr);
            xmlCtxtUseOptions(context,
                              XML_PARSE_RECOVER | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
            xmlParseChunk(context, d.text.data(), static_cast<int>(d.text.size()), 1);
            xmlFreeParserCtxt(context);
            allocations += AllocationCount() - before;
            articles += collector.articles;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TotalBytes(documents)));
    state.counters["articles"] = static_cast<double>(articles) / static_cast<double>(state.iterations());
    state.counters["allocs"] = static_cast<double>(allocations) / static_cast<double>(state.iterations());
    state.counters["allocs_per_article"] =
        articles ? static_cast<double>(allocations) / static_cast<double>(articles) : 0;
}

void BM_FeedParser_Corpus(benchmark::State& state) { ParseWithFeedParser(state, Corpus()); }
void BM_Libxml2Sax_Corpus(benchmark::State& state) { ParseWithLibxml2(state, Corpus()); }
void BM_FeedParser_Synthetic(benchmark::State& state) { ParseWithFeedParser(state, Synthetic()); }
void BM_Libxml2Sax_Synthetic(benchmark::State& state) { ParseWithLibxml2(state, Synthetic()); }

BENCHMARK(BM_FeedParser_Corpus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libxml2Sax_Corpus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FeedParser_Synthetic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libxml2Sax_Synthetic)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    xmlInitParser();
    std::fprintf(stderr, "corpus: %zu documents, %zu bytes; synthetic: %zu bytes\n", Corpus().size(),
                 TotalBytes(Corpus()), TotalBytes(Synthetic()));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xmlCleanupParser();
    return 0;
}
