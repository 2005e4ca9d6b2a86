// Row 1 through texture, a line around the wave.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.xy;
    float wave = texture(iChannel0, vec2(uv.x, 0.75)).x;
    fragColor = vec4(0.0, 1.0 - smoothstep(0.0, 0.02, abs(uv.y - wave)), uv.x, 1.0);
}
