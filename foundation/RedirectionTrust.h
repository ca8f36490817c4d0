#pragma once

// Asks the system to have this process ignore junctions that accounts without administrator rights
// made, so that no such link in a user's folder steers an elevated write. True when the system took
// the policy; false where it has none (systems before it, or that do not know it): the caller goes on.
// It covers neither symbolic links nor hard links, nor links made by administrators.
bool enforceRedirectionTrust();
