#pragma once
// What an HTTP answer's status means for a feed's GET, and the redirects the fetch follows itself.
// Kept apart from the internet library so that the decisions can be checked without a network.
#include <string>

enum class StatusKind {
    Document,   // 2xx: the body is the document (an empty body is an empty answer)
    Unchanged,  // 304: the copy the request was conditional on is still good
    Redirect,   // 301, 302, 303, 307, 308: asked again at the Location
    Failure,    // anything else: no document, whatever the body holds
};

StatusKind KindOfStatus(int status);

// The addresses one GET goes through. Redirects are followed up to kMaxHops times; a redirect
// that leads nowhere usable ends the fetch as a failure.
class RedirectChain {
  public:
    static constexpr int kMaxHops = 10;

    explicit RedirectChain(std::string start) : current_(std::move(start)) {}
    // Where the request is to be sent now: the address asked for, then each redirect's target.
    const std::string& current() const { return current_; }
    // The target of the redirects at the chain's start while all of them were permanent (301,
    // 308): where the document moved for good. Empty when there was none or the first was temporary.
    const std::string& movedTo() const { return movedTo_; }
    int hops() const { return hops_; }

    // The answer at current() was the redirect `status` to `location` (as the server wrote it,
    // maybe relative). True when the request goes on at the target, which is current() from now;
    // false after kMaxHops redirects, without a location, for a target that is not an http or https address,
    // and for a secure address sent to plain http.
    bool Follow(int status, const std::string& location);

  private:
    std::string current_;
    std::string movedTo_;
    int hops_ = 0;
    bool permanentSoFar_ = true;
};
