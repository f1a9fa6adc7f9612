#pragma once
// What was typed or pasted into "URL", read as the addresses to try, in turn.
#include <string>
#include <vector>

// Blanks at either end are dropped. An address pasted after the field's preset "http://"
// ("http://https://host/…") is the pasted address. An address without a scheme ("host/path") is
// tried as https, then as http. An address with a scheme is tried as it is. Nothing for an empty
// text, for the preset alone, or for an address that does not fit a slot.
std::vector<std::string> AddressesToTry(const char* typed);
