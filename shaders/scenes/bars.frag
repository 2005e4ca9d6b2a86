// Bars: the spectrum as 64 bars rising from a mirror floor, coloured from
// deep blue in the bass to amber in the treble, glowing with the loudness.
// Part of viz; the same licence as viz.

const float BARS = 64.0;

float band(float index) {
    // The loudest of the row's eight bins under this bar.
    float loudest = 0.0;
    for (int i = 0; i < 8; i++) {
        float x = (index * 8.0 + float(i) + 0.5) / 512.0;
        loudest = max(loudest, texture(iChannel0, vec2(x, 0.25)).x);
    }
    return loudest;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.xy;
    float floorY = 0.22;
    float index = floor(uv.x * BARS);
    float inBar = fract(uv.x * BARS);
    float height = band(index) * 0.72;
    vec3 hue = mix(vec3(0.15, 0.35, 1.0), vec3(1.0, 0.62, 0.12), index / (BARS - 1.0));
    float gap = step(0.12, inBar) * step(inBar, 0.88);

    vec3 colour = vec3(0.015, 0.01, 0.04) + vec3(0.05, 0.02, 0.08) * (1.0 - uv.y);
    float above = uv.y - floorY;
    if (above >= 0.0) {
        float lit = step(above, height) * gap;
        colour += hue * lit * (0.55 + 0.45 * above / max(height, 0.001));
        // A cap that lingers at the top of each bar.
        colour += hue * gap * smoothstep(0.012, 0.0, abs(above - height)) * 0.8;
    } else {
        // The floor mirrors the bars, fading with depth.
        float depth = -above;
        float lit = step(depth, height * 0.5) * gap;
        colour += hue * lit * 0.35 * (1.0 - depth / floorY);
    }
    colour *= 0.8 + 0.6 * iLevel;
    fragColor = vec4(colour, 1.0);
}
