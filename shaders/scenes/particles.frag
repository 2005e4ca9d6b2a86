// Particles: a drifting field of sparks, each listening to its own band of
// the spectrum and flaring when it sounds.
// Part of viz; the same licence as viz.

float hash(vec2 cell) {
    return fract(sin(dot(cell, vec2(127.1, 311.7))) * 43758.5453);
}

void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.y;
    vec3 colour = vec3(0.01, 0.01, 0.03);
    for (int layer = 0; layer < 3; layer++) {
        float scale = 8.0 + float(layer) * 6.0;
        vec2 drift = vec2(iTime * (0.03 + 0.02 * float(layer)), iTime * 0.01);
        vec2 q = (uv + drift) * scale;
        vec2 cell = floor(q);
        for (int dy = -1; dy <= 1; dy++) {
            for (int dx = -1; dx <= 1; dx++) {
                vec2 home = cell + vec2(float(dx), float(dy));
                float seed = hash(home + float(layer) * 17.0);
                vec2 spot = home + 0.5 + 0.35 * vec2(sin(iTime * 0.7 + seed * 6.3), cos(iTime * 0.5 + seed * 4.1));
                float heard = texture(iChannel0, vec2(0.02 + seed * 0.7, 0.25)).x;
                float size = 0.07 + 0.3 * heard * heard;
                float glow = size / (length(q - spot) + 0.02);
                vec3 hue = 0.55 + 0.45 * cos(vec3(0.0, 2.0, 4.0) + seed * 6.2831 + iTime * 0.2);
                colour += hue * glow * glow * 0.07 * (1.0 - 0.25 * float(layer));
            }
        }
    }
    colour *= 0.8 + 0.8 * iLevel;
    fragColor = vec4(1.0 - exp(-colour), 1.0);
}
