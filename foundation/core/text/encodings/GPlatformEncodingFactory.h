#pragma once
// GPlatformEncodingFactory: hands out the platform encodings. The platform layer installs one
// factory at start-up and removes it at shutdown; the factory owns the encodings it makes and
// keeps them while it lives (a text that still refers to one holds its own reference).
//
// Callers may rely on each call returning an encoding owned by the factory (never to be
// released by the caller) and on the same object for the same code page while the factory
// lives. Not locked: installed, used and removed on the main thread.
class GPlatformEncoding;

class GPlatformEncodingFactory {
public:
    virtual GPlatformEncoding* GetPlatformEncoding() = 0;
    virtual GPlatformEncoding* GetShiftJISEncoding() = 0;
    // Simplified Chinese (PRC).
    virtual GPlatformEncoding* GetPRCEncoding() = 0;
    virtual ~GPlatformEncodingFactory();

    // Deletes the factory installed before (unless it is the one given) and keeps factory.
    static void SetInstance(GPlatformEncodingFactory* factory);
    static GPlatformEncodingFactory* GetInstance() { return sPlatformEncodingFactory; }

protected:
    GPlatformEncodingFactory() = default;
    GPlatformEncodingFactory(GPlatformEncodingFactory const&) = delete;
    GPlatformEncodingFactory& operator=(GPlatformEncodingFactory const&) = delete;

private:
    // Owned: deleted by the next SetInstance.
    static GPlatformEncodingFactory* sPlatformEncodingFactory;
};
