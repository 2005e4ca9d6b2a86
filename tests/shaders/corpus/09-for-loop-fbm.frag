// A for loop of octaves: value noise summed.
float hash(vec2 p) { return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453); }
float noise(vec2 p) {
    vec2 i = floor(p), f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash(i), hash(i + vec2(1, 0)), u.x), mix(hash(i + vec2(0, 1)), hash(i + vec2(1, 1)), u.x), u.y);
}
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 p = fragCoord / iResolution.y * 4.0;
    float sum = 0.0, amplitude = 0.5;
    for (int i = 0; i < 6; i++) {
        sum += amplitude * noise(p + iTime * 0.1);
        p *= 2.0;
        amplitude *= 0.5;
    }
    fragColor = vec4(vec3(sum) * (0.5 + iLevel), 1.0);
}
