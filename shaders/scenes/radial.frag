// Radial: the spectrum around a slowly turning ring, the bass breathing in
// the centre and the treble on the rim.
// Part of viz; the same licence as viz.

#define PI 3.14159265

float spectrum(float x) {
    return texture(iChannel0, vec2(x, 0.25)).x;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float radius = length(p);
    float angle = atan(p.y, p.x) + iTime * 0.2;
    // Both halves of the ring show the spectrum, mirrored.
    float around = abs(fract(angle / (2.0 * PI)) * 2.0 - 1.0);
    float value = spectrum(around * 0.9 + 0.02);
    float bass = spectrum(0.05);

    float inner = 0.28 + 0.12 * bass;
    float outer = inner + 0.55 * value;
    float ray = smoothstep(outer + 0.01, outer - 0.01, radius) * smoothstep(inner - 0.01, inner + 0.01, radius);
    vec3 hue = 0.5 + 0.5 * cos(vec3(0.0, 2.1, 4.2) + around * 3.0 + iTime * 0.3);
    vec3 colour = hue * ray * (0.4 + value);
    colour += hue * 0.25 * exp(-abs(radius - outer) * 18.0) * value;
    colour += vec3(1.0, 0.4, 0.7) * smoothstep(inner, 0.0, radius) * bass * 0.8;
    colour += vec3(0.02, 0.01, 0.04);
    fragColor = vec4(colour, 1.0);
}
