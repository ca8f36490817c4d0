#include "UserImpersonation.h"

UserImpersonation::UserImpersonation(HANDLE userToken)
    : impersonating(userToken != nullptr && ImpersonateLoggedOnUser(userToken) != FALSE),
      acting(userToken == nullptr || impersonating) {}

UserImpersonation::~UserImpersonation() {
    if (impersonating) {
        RevertToSelf();
    }
}
