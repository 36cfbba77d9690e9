#pragma once

// The images of the code screen are compiled into this library; a static
// library's resources are registered only once something asks for them.
class CodeResources
{
public:
    // Safe to call any number of times.
    static void load();
};
