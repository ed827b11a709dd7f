// The null output: keeps time with its clock and discards the samples.
#include "sound/output.h"
#include "sound/pacer.h"

namespace zem {
namespace {

class NullOutput final : public Output {
public:
    explicit NullOutput(Clock& clock) : pacer_(clock) {}

    std::vector<std::string> DriverNames() override { return {"null"}; }

    int Open(int driver, int rate) override
    {
        if (driver != 0)
            return 0;
        pacer_.Start(rate);
        return rate;
    }

    bool WaitForRoom(int frames) override { return pacer_.WaitForRoom(frames); }
    void Write(const int16_t*, int frames) override { pacer_.Written(frames); }
    void Interrupt() override { pacer_.Interrupt(); }
    void Close() override {}

private:
    Pacer pacer_;
};

}  // namespace

std::unique_ptr<Output> MakeNullOutput(Clock& clock)
{
    return std::make_unique<NullOutput>(clock);
}

}  // namespace zem
