// Particles: a drifting field of sparks, each listening to its own band of
// the spectrum and flaring when it sounds.
// Part of viz; the same licence as viz.

float hash(vec2 cell) {
    return fract(sin(dot(cell, vec2(127.1, 311.7))) * 43758.5453);
}

void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.y;
    vec3 colour = vec3(0.01, 0.01, 0.03);
    for (int layer = 0; layer < 4; layer++) {
        float scale = 7.0 + float(layer) * 5.0;
        vec2 drift = vec2(iTime * (0.03 + 0.02 * float(layer)), iTime * 0.012);
        vec2 q = (uv + drift) * scale;
        // Each spark keeps to the middle of its own cell, so one cell is all
        // a pixel needs to look at.
        vec2 cell = floor(q);
        float seed = hash(cell + float(layer) * 17.0);
        vec2 spot = cell + 0.5 + 0.22 * vec2(sin(iTime * 0.7 + seed * 6.3), cos(iTime * 0.5 + seed * 4.1));
        float heard = texture(iChannel0, vec2(0.02 + seed * 0.7, 0.25)).x;
        float size = 0.04 + 0.14 * heard * heard;
        float glow = size / (length(q - spot) + 0.02);
        vec3 hue = 0.55 + 0.45 * cos(vec3(0.0, 2.0, 4.0) + seed * 6.2831 + iTime * 0.2);
        // A steep fall-off: no haze to show where one cell meets the next.
        colour += hue * glow * glow * glow * 0.4 * (1.0 - 0.2 * float(layer)) * smoothstep(0.5, 0.3, length(q - spot));
    }
    colour *= 0.8 + 0.8 * iLevel;
    fragColor = vec4(1.0 - exp(-colour), 1.0);
}
