// #defines with arguments and helper functions.
#define SAT(x) clamp(x, 0.0, 1.0)
#define BANDS 16.0
float bandOf(float x) { return floor(x * BANDS) / BANDS; }
vec3 palette(float t) { return 0.5 + 0.5 * cos(6.2831 * (t + vec3(0.0, 0.33, 0.67))); }
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.xy;
    float b = bandOf(uv.x);
    float level = texture(iChannel0, vec2(b + 0.5 / BANDS, 0.25)).x;
    fragColor = vec4(palette(b) * SAT(step(uv.y, level) + 0.1), 1.0);
}
