#pragma once

// True when this process runs as the local system account, as fleet tools start install commands.
bool isSystemAccount();
