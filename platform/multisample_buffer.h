#pragma once
// Smooth edges: the frame drawn into a multisampled framebuffer object and
// resolved into the window's back buffer (or the framebuffer object a
// window-less context draws its pictures in), ready to swap or read back. An
// object rather than a multisampled window: Mesa's software rasteriser
// under Xvfb offers multisampled visuals yet draws them hard.

class MultisampleBuffer {
public:
    MultisampleBuffer() = default;
    ~MultisampleBuffer();
    MultisampleBuffer(const MultisampleBuffer&) = delete;
    MultisampleBuffer& operator=(const MultisampleBuffer&) = delete;

    // Up to `wanted` samples a pixel, as many as GL allows, at the window's
    // size; none when wanted is 0 or 1, or GL has no framebuffer objects
    // (before GL 3.0): the frames then go to the window as they are.
    // `target` is the framebuffer the frames end in: 0, the window's.
    void open(int wanted, int width, int height, unsigned target = 0);
    // The window's new size.
    void resize(int width, int height);

    // The framebuffer the next frames end in.
    void retarget(unsigned newTarget) { target = newTarget; }

    // Around each frame's drawing.
    void beginFrame() const;
    void endFrame() const;

    int samples() const { return sampleCount; }

private:
    void release();

    unsigned framebuffer = 0;
    unsigned target = 0;
    unsigned colour = 0;
    unsigned depth = 0;
    int sampleCount = 0;
    int width = 0, height = 0;
};
