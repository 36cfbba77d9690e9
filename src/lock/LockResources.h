#pragma once

// The lock screens' images are compiled into this library; a static
// library's resources are registered only once something asks for them.
class LockResources
{
public:
    // Safe to call any number of times.
    static void load();
};
