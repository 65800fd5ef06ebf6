#include <ecevents/ecevents.h>
#include <ecinterop/ecNearestSample.h>
#include <ecsafewrite/ecSafeWriter.h>

#include <iostream>

int main()
{
    ecBase base;
    base.SetStateFlag(6);
    ecError error("linked");
    std::cout << base.GetState() << ' ' << error.what() << ' ' << LeftString("events", 2) << '\n';
    return base.GetState() == 6 && ecSafeWriter::IsStandardOutput("-") && ecNearestSample(-0.5, 1.0) == -1.0 ? 0 : 1;
}
