// What tests look at, or change, in their own process: threads, descriptors, CPU time and the
// raw-socket capability.
#pragma once

namespace quorvex::test {

int ThreadCount();          // threads of this process
int OpenDescriptorCount();  // open file descriptors of this process
double CpuSeconds();        // user + system CPU time of this process so far
// Drops CAP_NET_RAW from this process for good (effective, permitted, inheritable); false when
// the kernel refused.
bool DropNetRaw();

}  // namespace quorvex::test
