// Oscilloscope: the waveform as a green phosphor trace on a grid, its glow
// widening with the loudness.
// Part of viz; the same licence as viz.

float wave(float x) {
    return texture(iChannel0, vec2(x, 0.75)).x - 0.5;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.xy;
    vec2 grid = abs(fract(uv * vec2(10.0, 8.0) + 0.5) - 0.5);
    float lines = smoothstep(0.03, 0.0, min(grid.x, grid.y) / 10.0 * 10.0);
    vec3 colour = vec3(0.0, 0.04, 0.02) + vec3(0.0, 0.12, 0.06) * lines * 0.35;

    // The distance to the trace, measured along a few neighbours for a steady line.
    float pixel = 1.0 / iResolution.y;
    float closest = 1.0;
    for (int i = -3; i <= 3; i++) {
        float x = uv.x + float(i) / iResolution.x;
        float y = 0.5 + wave(x) * 0.8;
        float dx = float(i) / iResolution.x * iResolution.x / iResolution.y;
        closest = min(closest, length(vec2(dx, uv.y - y)));
    }
    float width = pixel * (1.5 + 6.0 * iLevel);
    float core = smoothstep(width, 0.0, closest);
    float glow = exp(-closest / (width * 6.0 + 0.004));
    colour += vec3(0.25, 1.0, 0.45) * core + vec3(0.05, 0.5, 0.2) * glow * (0.4 + iLevel);
    fragColor = vec4(colour, 1.0);
}
