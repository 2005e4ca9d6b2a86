// Tunnel: flying through rings of light; the bass drives the speed and
// flashes the walls, the loudness tints them.
// Part of viz; the same licence as viz.

float spectrum(float x) {
    return texture(iChannel0, vec2(x, 0.25)).x;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float bass = spectrum(0.04) * 0.6 + spectrum(0.09) * 0.4;
    float radius = max(length(p), 0.001);
    float depth = 0.35 / radius + iTime * (0.8 + 2.5 * iLevel);
    float angle = atan(p.y, p.x) / 6.2831853 + 0.5;

    float rings = pow(abs(sin(depth * 3.14159 * 2.0)), 12.0);
    float tiles = step(0.5, fract(angle * 12.0 + floor(depth) * 0.5));
    vec3 wall = mix(vec3(0.1, 0.05, 0.3), vec3(0.9, 0.2, 0.5), tiles * 0.6 + 0.4 * iLevel);
    vec3 colour = wall * (0.25 + 0.75 * rings) * (0.6 + bass);
    colour += vec3(1.0, 0.85, 0.6) * rings * bass * 0.8;
    // The far end is dark, the near walls bright.
    colour *= smoothstep(0.0, 0.6, radius);
    fragColor = vec4(colour, 1.0);
}
