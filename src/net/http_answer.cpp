#include "net/http_answer.h"

#include "net/url.h"

StatusKind KindOfStatus(int status) {
    if (status >= 200 && status <= 299) return StatusKind::Document;
    switch (status) {
        case 304:
            return StatusKind::Unchanged;
        case 301:
        case 302:
        case 303:
        case 307:
        case 308:
            return StatusKind::Redirect;
        default:
            return StatusKind::Failure;
    }
}

bool RedirectChain::Follow(int status, const std::string& location) {
    if (hops_ >= kMaxHops || location.find_first_not_of(" \t") == std::string::npos) return false;
    const std::string target = ResolveReference(current_, location);
    if (target.empty() || !RedirectAllowed(current_.c_str(), target.c_str())) return false;
    ++hops_;
    current_ = target;
    if (permanentSoFar_ && (status == 301 || status == 308)) {
        movedTo_ = target;
    } else {
        permanentSoFar_ = false;
    }
    return true;
}
