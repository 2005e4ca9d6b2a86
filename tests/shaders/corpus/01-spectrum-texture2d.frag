// Row 0 through texture2D, as older shaders read it.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.xy;
    float fft = texture2D(iChannel0, vec2(uv.x, 0.25)).x;
    fragColor = vec4(vec3(step(uv.y, fft)), 1.0);
}
